#pragma once

#ifdef TOLVANE_HAVE_QT_PDF

#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>
#include <QList>

class QPdfDocument;

namespace tolvane {

// A PDF's pages one below the other, each fitted to the width; only the pages in sight are
// rendered, and kept until the width changes.
class PdfPreview : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PdfPreview(QWidget* parent = nullptr);
    ~PdfPreview() override;

    // Reads the document at `path` (file-system bytes); false when it is not a readable PDF.
    bool load(const QByteArray& path);
    int pageCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void layoutPages();

    QPdfDocument* m_document;
    QList<QRect> m_pages; // in content coordinates
    QHash<int, QImage> m_rendered;
};

} // namespace tolvane

#endif
