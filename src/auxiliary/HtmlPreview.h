#pragma once

#include <QTextBrowser>

namespace tolvane {

// An HTML-like file laid out by QTextBrowser, which runs no scripts. Pictures and style sheets
// load only from the file's own folder (the folder must lie inside the repository); links are
// not followed, except to anchors within the page.
class HtmlPreview : public QTextBrowser {
    Q_OBJECT
public:
    // `folder` is the canonical folder of the file, as a local path.
    HtmlPreview(const QString& folder, QWidget* parent = nullptr);

    void showHtml(const QByteArray& content);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    QString m_folder;
};

} // namespace tolvane
