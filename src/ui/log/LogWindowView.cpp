#include "ui/log/LogWindowView.h"

#include "log/LogStore.h"
#include "ui/common/SymbolIcon.h"
#include "ui/log/LogListModel.h"
#include "ui/log/LogListView.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

constexpr int emptySymbolSize = 32;

QFont captionFont(const QFont& base) {
    QFont font = base;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(std::max(7.0, font.pointSizeF() * 0.85));
    return font;
}

} // namespace

LogWindowView::LogWindowView(QWidget* parent) : LogWindowView(LogStore::shared(), parent) {}

LogWindowView::LogWindowView(LogStore& store, QWidget* parent) : QWidget(parent), m_store(store) {
    setObjectName(QStringLiteral("logWindowView"));

    m_model = new LogListModel(m_store, this);
    m_list = new LogListView(this);
    m_list->setModel(m_model);

    auto* empty = new QWidget(this);
    empty->setObjectName(QStringLiteral("logEmptyState"));
    empty->setAutoFillBackground(true);
    empty->setBackgroundRole(QPalette::Base);
    m_emptySymbol = new QLabel(empty);
    m_emptySymbol->setObjectName(QStringLiteral("logEmptySymbol"));
    m_emptySymbol->setAlignment(Qt::AlignCenter);
    auto* emptyText = new QLabel(QStringLiteral("No log entries"), empty);
    emptyText->setObjectName(QStringLiteral("logEmptyText"));
    emptyText->setAlignment(Qt::AlignCenter);
    emptyText->setForegroundRole(QPalette::PlaceholderText);
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->setSpacing(8);
    emptyLayout->addStretch(1);
    emptyLayout->addWidget(m_emptySymbol, 0, Qt::AlignHCenter);
    emptyLayout->addWidget(emptyText, 0, Qt::AlignHCenter);
    emptyLayout->addStretch(1);

    m_content = new QStackedWidget(this);
    m_content->setObjectName(QStringLiteral("logContent"));
    m_content->addWidget(empty);
    m_content->addWidget(m_list);

    auto* divider = new QFrame(this);
    divider->setObjectName(QStringLiteral("logDivider"));
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    divider->setFixedHeight(1);

    auto* footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("logFooter"));
    m_count = new QLabel(footer);
    m_count->setObjectName(QStringLiteral("logCountLabel"));
    m_count->setForegroundRole(QPalette::PlaceholderText);
    m_count->setFont(captionFont(font()));
    m_clear = new QToolButton(footer);
    m_clear->setObjectName(QStringLiteral("logClearButton"));
    m_clear->setText(QStringLiteral("Clear"));
    m_clear->setAutoRaise(true);
    m_clear->setFont(captionFont(font()));
    m_clear->setCursor(Qt::PointingHandCursor);
    connect(m_clear, &QToolButton::clicked, this, [this] { m_store.setEntries({}); });
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(12, 6, 12, 6);
    footerLayout->setSpacing(8);
    footerLayout->addWidget(m_count);
    footerLayout->addStretch(1);
    footerLayout->addWidget(m_clear);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_content, 1);
    layout->addWidget(divider);
    layout->addWidget(footer);

    connect(m_model, &QAbstractItemModel::rowsInserted, this, &LogWindowView::refresh);
    connect(m_model, &QAbstractItemModel::modelReset, this, &LogWindowView::refresh);
    updateSymbol();
    refresh();
}

void LogWindowView::refresh() {
    const int count = m_model->rowCount();
    m_content->setCurrentIndex(count == 0 ? 0 : 1);
    m_count->setText(QString::number(count) + QStringLiteral(" entries"));
    m_clear->setEnabled(count > 0);
    if (count != m_shownCount && count > 0 && !m_scrollPending) {
        // Once per turn of the event loop: a burst of entries costs one layout, not one each.
        m_scrollPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_scrollPending = false;
                if (m_model->rowCount() > 0)
                    m_list->scrollToBottom();
            },
            Qt::QueuedConnection);
    }
    m_shownCount = count;
}

void LogWindowView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Rows are laid out only once the list is visible; bring the newest into view then.
    if (m_model->rowCount() > 0)
        m_list->scrollToBottom();
}

void LogWindowView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        updateSymbol();
    QWidget::changeEvent(event);
}

void LogWindowView::updateSymbol() {
    m_emptySymbol->setPixmap(tintedSymbol(QStringLiteral("doc.text"),
                                          palette().color(QPalette::PlaceholderText),
                                          emptySymbolSize, devicePixelRatioF()));
}

} // namespace tolvane
