#include "ui/history/HistorySearchBar.h"

#include "engine/gitText.h"
#include "state/RepositoryState.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/oneLineText.h"
#include "ui/common/viewColors.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {

HistorySearchBar::HistorySearchBar(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state) {
    setObjectName(QStringLiteral("historySearchBar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 6);
    layout->setSpacing(4);

    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("historySearchField"));
    m_field->setAccessibleName(tr("Find in history"));
    m_field->setPlaceholderText(QStringLiteral("Find in history: message, author or hash"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    layout->addWidget(m_field);

    m_banner = new QWidget(this);
    m_banner->setObjectName(QStringLiteral("fileHistoryBanner"));
    m_banner->setAutoFillBackground(true);
    QPalette tint = m_banner->palette();
    tint.setColor(QPalette::Window, ViewColors::withAlpha(ViewColors::blue(), 0.12));
    m_banner->setPalette(tint);
    auto* bannerRow = new QHBoxLayout(m_banner);
    bannerRow->setContentsMargins(8, 4, 4, 4);
    m_bannerText = new QLabel(m_banner);
    m_bannerText->setObjectName(QStringLiteral("fileHistoryTitle"));
    m_bannerText->setTextFormat(Qt::PlainText);
    m_closeBanner = new QToolButton(m_banner);
    m_closeBanner->setObjectName(QStringLiteral("closeFileHistoryButton"));
    m_closeBanner->setAutoRaise(true);
    m_closeBanner->setToolTip(QStringLiteral("Back to the full history"));
    m_closeBanner->setIcon(
        QIcon(tintedSymbol(QStringLiteral("xmark.circle.fill"), ViewColors::secondary(palette()),
                           14, devicePixelRatioF())));
    bannerRow->addWidget(m_bannerText, 1);
    bannerRow->addWidget(m_closeBanner);
    layout->addWidget(m_banner);

    // The search runs in the state once typing pauses; only the last text is searched.
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.trimmed().isEmpty())
            m_state->clearHistorySearch();
        else
            m_state->typeHistorySearch(text);
    });
    connect(m_field, &QLineEdit::returnPressed, this,
            [this] { m_state->searchHistory(m_field->text()); });
    // The clear button empties the field without an edit signal of its own kind.
    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty() && !m_state->historySearch().isEmpty())
            m_state->clearHistorySearch();
    });
    connect(m_closeBanner, &QToolButton::clicked, this, [this] { m_state->closeFileHistory(); });

    auto* find = new QShortcut(QKeySequence::Find, parent ? parent : this);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        m_field->setFocus(Qt::ShortcutFocusReason);
        m_field->selectAll();
    });

    connect(state, &RepositoryState::historySearchChanged, this, &HistorySearchBar::update);
    connect(state, &RepositoryState::fileHistoryPathChanged, this, &HistorySearchBar::update);
    update();
}

void HistorySearchBar::update() {
    const QString& path = m_state->fileHistoryPath();
    m_banner->setVisible(!path.isEmpty());
    m_bannerText->setText(QStringLiteral("History of ") + oneLineText(path));
    // A search closed elsewhere (file history opened, Escape) empties the field.
    if (m_state->historySearch().isEmpty() && !m_field->hasFocus())
        m_field->clear();
}

bool HistorySearchBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_field->clear();
        m_state->clearHistorySearch();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvane
