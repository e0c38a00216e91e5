#pragma once

#include <QTextBrowser>

#include <optional>

namespace tolvane {

// An HTML-like file laid out by QTextBrowser, which runs no scripts. Pictures and style sheets
// load only from the file's own folder (or below it, reached without leaving it) and from data:
// URIs; anything else gets a blank stand-in, so that Qt never falls back to opening the path
// itself. Links are not followed, except to anchors within the page.
class HtmlPreview : public QTextBrowser {
    Q_OBJECT
public:
    // `folder` is the canonical folder of the file, as the file system's bytes.
    HtmlPreview(const QByteArray& folder, QWidget* parent = nullptr);

    void showHtml(const QByteArray& content);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    QVariant refused(int type) const;
    std::optional<QByteArray> readInsideFolder(const QUrl& url) const;

    QByteArray m_folder;
};

} // namespace tolvane
