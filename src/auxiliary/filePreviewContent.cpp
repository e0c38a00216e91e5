#include "auxiliary/filePreviewContent.h"

#include "auxiliary/FileInfo.h"
#include "auxiliary/HtmlPreview.h"
#include "auxiliary/PdfPreview.h"
#include "auxiliary/PicturePreview.h"
#include "auxiliary/fileFacts.h"
#include "engine/gitText.h"
#include "platform/FileSizeFormatter.h"
#include "platform/regularFileRead.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"

#include <QEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace tolvane {
namespace {

// The first `limit` bytes of the file (fewer at its end); `complete` tells whether that was all.
// `path` is canonical, so a link found in its place now is not followed.
FilePrefix readPrefix(const QByteArray& path, qsizetype limit) {
    return readRegularFilePrefix(path, limit, LinkPolicy::Refuse).value_or(FilePrefix{});
}

QLabel* secondaryLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The secondary colour (the placeholder role), following the palette when it changes.
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QWidget* textContent(const PreviewRequest& request, const QByteArray& bytes, bool complete,
                     QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (!complete) {
        auto* note = secondaryLabel(
            QStringLiteral("Showing the first %1 of %2 bytes.")
                .arg(QLocale().toString(bytes.size()), QLocale().toString(request.facts.size)),
            QStringLiteral("textPreviewNote"), holder);
        note->setContentsMargins(8, 4, 8, 4);
        layout->addWidget(note);
    }
    auto* text = new QPlainTextEdit(holder);
    text->setObjectName(QStringLiteral("textPreviewBody"));
    text->setReadOnly(true);
    text->setFrameShape(QFrame::NoFrame);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->document()->setDocumentMargin(8);
    QString content = QString::fromUtf8(bytes);
    content.replace(QChar(0), QChar::ReplacementCharacter);
    text->setPlainText(content);
    layout->addWidget(text, 1);
    return holder;
}

// The desktop's icon for the file's type; without one, the bundled symbol in the secondary
// colour, drawn again when the palette changes.
class FileIconLabel : public QLabel {
public:
    FileIconLabel(const QMimeType& mime, const QString& symbol, QWidget* parent)
        : QLabel(parent), m_symbol(symbol) {
        setAlignment(Qt::AlignCenter);
        for (const QString& name : {mime.iconName(), mime.genericIconName()}) {
            if (!name.isEmpty() && QIcon::hasThemeIcon(name)) {
                m_themeIcon = QIcon::fromTheme(name);
                break;
            }
        }
        updateIcon();
    }

protected:
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::PaletteChange)
            updateIcon();
        QLabel::changeEvent(event);
    }

private:
    void updateIcon() {
        if (!m_themeIcon.isNull())
            setPixmap(m_themeIcon.pixmap(iconSize, iconSize));
        else
            setPixmap(tintedSymbol(m_symbol, ViewColors::secondary(palette()), iconSize,
                                   devicePixelRatioF()));
    }

    static constexpr int iconSize = 64;
    QString m_symbol;
    QIcon m_themeIcon;
};

QWidget* fallbackContent(const PreviewRequest& request, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(8);
    layout->addStretch(1);

    const QMimeDatabase mimes;
    const QMimeType mime = request.facts.isDirectory
                               ? mimes.mimeTypeForName(QStringLiteral("inode/directory"))
                               : mimes.mimeTypeForFile(displayText(request.relativePath),
                                                       QMimeDatabase::MatchExtension);
    auto* iconLabel = new FileIconLabel(
        mime, request.facts.isDirectory ? QStringLiteral("folder") : QStringLiteral("doc.text"),
        page);
    iconLabel->setObjectName(QStringLiteral("fallbackIcon"));
    layout->addWidget(iconLabel);

    const QString name =
        displayText(request.relativePath.mid(request.relativePath.lastIndexOf(u'/') + 1));
    auto* title = new QLabel(name, page);
    title->setObjectName(QStringLiteral("fallbackName"));
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);
    title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = title->font();
    bold.setWeight(QFont::DemiBold);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    title->setFont(bold);
    layout->addWidget(title);

    QStringList facts;
    if (!mime.comment().isEmpty() && !mime.isDefault())
        facts.append(mime.comment());
    if (const std::optional<FileInfo> info = readFileInfo(request.repoPath, request.relativePath)) {
        if (!request.facts.isDirectory)
            facts.append(formatFileSize(std::uint64_t(info->fileSize)));
        facts.append(QStringLiteral("Modified ") + FileInfo::formatDate(info->modified));
    }
    auto* details =
        secondaryLabel(facts.join(QStringLiteral(" · ")), QStringLiteral("fallbackFacts"), page);
    details->setAlignment(Qt::AlignCenter);
    layout->addWidget(details);

    const QString reason = request.refusal == PreviewRefusal::None
                               ? QStringLiteral("No preview for this kind of file.")
                               : refusalText(request.refusal, request.file);
    auto* why = secondaryLabel(reason, QStringLiteral("fallbackReason"), page);
    why->setAlignment(Qt::AlignCenter);
    layout->addWidget(why);
    layout->addStretch(1);
    return page;
}

QWidget* bodyFor(const PreviewRequest& request, QWidget* parent, QString* name) {
    if (request.refusal != PreviewRefusal::None) {
        *name = QStringLiteral("fallbackPreview");
        return fallbackContent(request, parent);
    }
    const QByteArray& path = request.file.resolved;
    switch (request.kind) {
    case PreviewKind::Html: {
        auto* html = new HtmlPreview(path.left(path.lastIndexOf('/')), parent);
        html->showHtml(readPrefix(path, htmlRenderLimit).bytes);
        *name = QStringLiteral("htmlPreview");
        return html;
    }
    case PreviewKind::Image: {
        auto* picture = new PicturePreview(parent);
        picture->loadImage(path);
        *name = QStringLiteral("imagePreview");
        return picture;
    }
    case PreviewKind::Svg: {
        auto* picture = new PicturePreview(parent);
        if (!picture->loadSvg(readPrefix(path, previewSizeLimit).bytes)) {
            delete picture;
            break;
        }
        *name = QStringLiteral("svgPreview");
        return picture;
    }
    case PreviewKind::Pdf:
#ifdef TOLVANE_HAVE_QT_PDF
    {
        auto* pdf = new PdfPreview(parent);
        if (pdf->load(path)) {
            *name = QStringLiteral("pdfPreview");
            return pdf;
        }
        delete pdf;
    }
#endif
    break;
    case PreviewKind::Text: {
        const FilePrefix prefix = readPrefix(path, textPreviewLimit);
        *name = QStringLiteral("textPreview");
        return textContent(request, prefix.bytes, prefix.complete, parent);
    }
    case PreviewKind::Other:
        break;
    }
    *name = QStringLiteral("fallbackPreview");
    return fallbackContent(request, parent);
}

} // namespace

bool pdfPreviewSupported() {
#ifdef TOLVANE_HAVE_QT_PDF
    return true;
#else
    return false;
#endif
}

PreviewRequest preparePreview(const QString& repoPath, const QString& relativePath) {
    PreviewRequest request;
    request.repoPath = repoPath;
    request.relativePath = relativePath;
    request.file = locateRepositoryFile(repoPath, relativePath);
    request.facts = examineForPreview(request.file, relativePath);
    request.refusal = previewRefusal(request.facts);
    if (request.refusal == PreviewRefusal::None)
        request.kind = previewKind(request.facts, pdfPreviewSupported());
    return request;
}

QWidget* createPreviewContent(const PreviewRequest& request, QWidget* parent) {
    auto* content = new QWidget(parent);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // A link is followed only inside the repository, and the panel says where it leads.
    if (request.file.isSymLink && request.refusal != PreviewRefusal::OutsideRepository) {
        auto* note =
            secondaryLabel(QStringLiteral("Symbolic link to “%1”").arg(request.file.linkTarget),
                           QStringLiteral("previewLinkNote"), content);
        note->setContentsMargins(8, 4, 8, 4);
        layout->addWidget(note);
    }
    QString name;
    QWidget* body = bodyFor(request, content, &name);
    content->setObjectName(name);
    layout->addWidget(body, 1);
    return content;
}

} // namespace tolvane
