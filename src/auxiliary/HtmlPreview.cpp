#include "auxiliary/HtmlPreview.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

namespace tolvane {
namespace {

// A resource larger than this is not loaded into the page.
constexpr qint64 resourceSizeLimit = 20'000'000;

} // namespace

HtmlPreview::HtmlPreview(const QString& folder, QWidget* parent)
    : QTextBrowser(parent), m_folder(QDir::cleanPath(folder)) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setFrameShape(QFrame::NoFrame);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.hasFragment() && (url.isRelative() || url.path().isEmpty()))
            scrollToAnchor(url.fragment());
    });
}

void HtmlPreview::showHtml(const QByteArray& content) {
    // The page's own charset declaration decides, as a browser would; UTF-8 otherwise.
    QStringDecoder decoder = QStringDecoder::decoderForHtml(content);
    const QString text = decoder.isValid() ? decoder.decode(content) : QString::fromUtf8(content);
    document()->setBaseUrl(QUrl::fromLocalFile(m_folder + QLatin1Char('/')));
    setHtml(text);
}

QVariant HtmlPreview::loadResource(int type, const QUrl& name) {
    if (type != QTextDocument::ImageResource && type != QTextDocument::StyleSheetResource)
        return {};
    const QUrl resolved = document()->baseUrl().resolved(name);
    if (!resolved.isLocalFile())
        return {};
    const QFileInfo info(resolved.toLocalFile());
    const QString real = info.canonicalFilePath();
    // Only what lies in the page's folder (or below), reached without leaving it.
    if (real.isEmpty() || !real.startsWith(m_folder + QLatin1Char('/')) || !info.isFile() ||
        info.size() > resourceSizeLimit)
        return {};
    QFile file(real);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace tolvane
