#include "ui/changes/OperationBanner.h"

#include "state/RepositoryState.h"
#include "state/confirmationDialogs.h"
#include "ui/common/ConfirmationPresenter.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

OperationBanner::OperationBanner(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state) {
    setObjectName(QStringLiteral("operationBanner"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 8, 10, 8);
    column->setSpacing(4);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(6);
    auto* icon = new QLabel(this);
    icon->setPixmap(tintedSymbol(QStringLiteral("exclamationmark.triangle.fill"),
                                 ViewColors::orange(palette()), 14, devicePixelRatioF()));
    titleRow->addWidget(icon);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("operationTitle"));
    m_title->setWordWrap(true);
    QFont bold = m_title->font();
    bold.setWeight(QFont::DemiBold);
    m_title->setFont(bold);
    titleRow->addWidget(m_title, 1);
    column->addLayout(titleRow);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("operationSummary"));
    column->addWidget(m_summary);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    buttons->addStretch(1);
    m_abort = new QPushButton(QStringLiteral("Abort"), this);
    m_abort->setObjectName(QStringLiteral("abortOperationButton"));
    m_continue = new QPushButton(this);
    m_continue->setObjectName(QStringLiteral("continueOperationButton"));
    buttons->addWidget(m_abort);
    buttons->addWidget(m_continue);
    column->addLayout(buttons);

    connect(m_abort, &QPushButton::clicked, this, [this] { m_state->askAbortOperation(); });
    connect(m_continue, &QPushButton::clicked, this, [this] { m_state->continueOperation(); });
    for (auto signal :
         {&RepositoryState::operationChanged, &RepositoryState::conflictsChanged,
          &RepositoryState::currentBranchChanged, &RepositoryState::isCommittingChanged})
        connect(state, signal, this, &OperationBanner::update);
    m_confirmations = new ConfirmationPresenter(
        this, state,
        {{abortOperationConfirmation, QStringLiteral("abortOperationDialog")},
         {continueWithMarkersConfirmation, QStringLiteral("continueWithMarkersDialog")}});
    update();
}

void OperationBanner::update() {
    // A stash applied or popped onto changed files leaves conflicts without any operation git
    // records: the banner still says so, with nothing to abort or continue.
    const bool operation = m_state->operation().kind != OperationKind::None;
    const bool active = operation || !m_state->conflicts().isEmpty();
    setVisible(active);
    if (!active)
        return;
    m_abort->setVisible(operation);
    m_continue->setVisible(operation);
    m_title->setText(operation ? m_state->operationTitle()
                               : QStringLiteral("Conflicts in the working tree"));
    m_summary->setText(m_state->conflictSummary());
    m_continue->setText(m_state->continueOperationLabel());
    m_continue->setEnabled(m_state->canContinueOperation() && !m_state->isCommitting());
    m_continue->setToolTip(m_state->canContinueOperation()
                               ? QString()
                               : QStringLiteral("Resolve every conflicted file first"));
    QWidget::update();
}

void OperationBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ViewColors::withAlpha(ViewColors::orange(palette()), 0.14));
    painter.setPen(ViewColors::divider(palette()));
    painter.drawLine(rect().bottomLeft(), rect().bottomRight());
}

} // namespace tolvane
