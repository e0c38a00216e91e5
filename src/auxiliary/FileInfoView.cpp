#include "auxiliary/FileInfoView.h"

#include "auxiliary/FileInfoWindowController.h"
#include "engine/gitText.h"
#include "platform/FileSizeFormatter.h"
#include "ui/common/ElidedLabel.h"
#include "ui/common/ProgressSpinner.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/placeholderPage.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTextOption>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

QLabel* valueLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

QLabel* rowLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    // Follows the palette when the appearance changes.
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

FileInfoView::FileInfoView(FileInfoWindowController& controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {
    setObjectName(QStringLiteral("fileInfoView"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_pages = new QStackedWidget(this);
    outer->addWidget(m_pages);

    m_placeholder =
        makePlaceholderPage(QStringLiteral("doc.text"), QStringLiteral("No file selected"),
                            QStringLiteral("noFileSelected"), m_pages);
    m_pages->addWidget(m_placeholder);

    m_infoPage = new QWidget(m_pages);
    m_infoPage->setObjectName(QStringLiteral("fileInfoPage"));
    auto* layout = new QVBoxLayout(m_infoPage);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    m_icon = new QLabel(m_infoPage);
    header->addWidget(m_icon);
    m_name = new ElidedLabel(Qt::ElideMiddle, m_infoPage);
    m_name->setObjectName(QStringLiteral("fileInfoName"));
    QFont bold = m_name->font();
    bold.setWeight(QFont::DemiBold);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    m_name->setFont(bold);
    header->addWidget(m_name, 1);
    layout->addLayout(header);

    m_rows = new QFormLayout;
    m_rows->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    m_rows->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_rows->setHorizontalSpacing(10);
    m_rows->setVerticalSpacing(6);
    m_rows->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_size = valueLabel(QStringLiteral("fileSizeValue"), m_infoPage);
    m_modified = valueLabel(QStringLiteral("modifiedValue"), m_infoPage);
    m_created = valueLabel(QStringLiteral("createdValue"), m_infoPage);
    m_linkTarget = valueLabel(QStringLiteral("linkTargetValue"), m_infoPage);
    m_comment = valueLabel(QStringLiteral("commentValue"), m_infoPage);
    m_rows->addRow(rowLabel(QStringLiteral("File Size"), m_infoPage), m_size);
    m_rows->addRow(rowLabel(QStringLiteral("Modified"), m_infoPage), m_modified);
    m_rows->addRow(rowLabel(QStringLiteral("Created"), m_infoPage), m_created);
    m_rows->addRow(rowLabel(QStringLiteral("Link To"), m_infoPage), m_linkTarget);

    // The digest wraps anywhere (it is one 64-letter word) yet copies as one line.
    auto* digestRow = new QWidget(m_infoPage);
    auto* digestLayout = new QHBoxLayout(digestRow);
    digestLayout->setContentsMargins(0, 0, 0, 0);
    digestLayout->setSpacing(4);
    m_digest = new QPlainTextEdit(digestRow);
    m_digest->setObjectName(QStringLiteral("sha256Value"));
    m_digest->setReadOnly(true);
    m_digest->setFrameShape(QFrame::NoFrame);
    m_digest->setWordWrapMode(QTextOption::WrapAnywhere);
    m_digest->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_digest->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_digest->viewport()->setAutoFillBackground(false);
    m_digest->setAutoFillBackground(false);
    m_digest->document()->setDocumentMargin(0);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(font().pointSizeF() * 0.9);
    m_digest->setFont(mono);
    m_digest->setFixedHeight(QFontMetrics(mono).lineSpacing() * 2 + 4);
    digestLayout->addWidget(m_digest, 1);
    m_spinner = new ProgressSpinner(digestRow);
    digestLayout->addWidget(m_spinner, 0, Qt::AlignTop);
    m_copy = new QToolButton(digestRow);
    m_copy->setObjectName(QStringLiteral("copySha256Button"));
    m_copy->setToolTip(QStringLiteral("Copy SHA-256 to clipboard"));
    m_copy->setAutoRaise(true);
    digestLayout->addWidget(m_copy, 0, Qt::AlignTop);
    m_rows->addRow(rowLabel(QStringLiteral("SHA-256"), m_infoPage), digestRow);
    m_rows->addRow(rowLabel(QStringLiteral("Comment"), m_infoPage), m_comment);
    layout->addLayout(m_rows);
    layout->addStretch(1);
    m_pages->addWidget(m_infoPage);

    connect(m_copy, &QToolButton::clicked, this, [this] {
        if (const std::optional<QString>& digest = m_controller.sha256())
            QApplication::clipboard()->setText(*digest);
    });
    connect(&controller, &FileInfoWindowController::fileInfoChanged, this, &FileInfoView::showInfo);
    connect(&controller, &FileInfoWindowController::sha256Changed, this, &FileInfoView::showDigest);
    updateSymbols();
    showInfo();
}

void FileInfoView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        updateSymbols();
    QWidget::changeEvent(event);
}

void FileInfoView::updateSymbols() {
    const qreal ratio = devicePixelRatioF();
    m_icon->setPixmap(
        tintedSymbol(QStringLiteral("doc.text"), palette().color(QPalette::WindowText), 32, ratio));
    m_copy->setIcon(QIcon(tintedSymbol(QStringLiteral("doc.on.doc"),
                                       palette().color(QPalette::ButtonText), 16, ratio)));
}

void FileInfoView::showInfo() {
    const std::optional<FileInfo>& info = m_controller.fileInfo();
    m_pages->setCurrentWidget(info ? m_infoPage : m_placeholder);
    if (info) {
        m_name->setFullText(displayText(info->filename));
        m_size->setText(formatFileSize(std::uint64_t(std::max<qint64>(0, info->fileSize))));
        m_modified->setText(FileInfo::formatDate(info->modified));
        m_created->setText(FileInfo::formatDate(info->created));
        QString link = info->linkTarget.value_or(QString());
        if (info->leadsOutside)
            link += QStringLiteral(" (outside the repository)");
        m_linkTarget->setText(link);
        m_rows->setRowVisible(m_linkTarget, info->linkTarget.has_value());
        m_comment->setText(info->comment.value_or(QString()));
        m_rows->setRowVisible(m_comment, info->comment.has_value());
    }
    showDigest();
}

void FileInfoView::showDigest() {
    const std::optional<QString>& digest = m_controller.sha256();
    const bool computing = m_controller.fileInfo() && !digest;
    m_digest->setPlainText(computing ? QStringLiteral("Computing…") : digest.value_or(QString()));
    m_spinner->setSpinning(computing);
    m_copy->setEnabled(digest && digest->size() == 64);
}

} // namespace tolvane
