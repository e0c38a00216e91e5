#include "ui/window/ToolbarView.h"

#include "state/RepositoryState.h"
#include "ui/common/BadgeButton.h"
#include "ui/common/ElidedLabel.h"
#include "ui/common/ProgressSpinner.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace tolvane {

ToolbarView::ToolbarView(RepositoryState& state, QWidget* parent)
    : BarWidget(parent), m_state(&state) {
    setObjectName(QStringLiteral("toolbarView"));

    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(font().pointSizeF());

    m_symbol = new QLabel(this);
    m_symbol->setObjectName(QStringLiteral("toolbarSymbol"));
    auto* name = new QLabel(state.tab().name, this);
    name->setObjectName(QStringLiteral("toolbarName"));
    QFont nameFont = mono;
    nameFont.setWeight(QFont::DemiBold);
    name->setFont(nameFont);
    name->setTextFormat(Qt::PlainText);
    m_separator = new QLabel(QStringLiteral("›"), this);
    m_separator->setObjectName(QStringLiteral("toolbarSeparator"));
    m_separator->setFont(mono);
    m_branch = new ElidedLabel(Qt::ElideMiddle, this);
    m_branch->setObjectName(QStringLiteral("toolbarBranch"));
    m_branch->setFont(mono);
    m_branch->setPreferredMaximumWidth(320);
    m_branch->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_tracking = new QLabel(this);
    m_tracking->setObjectName(QStringLiteral("toolbarTracking"));
    m_tracking->setFont(mono);
    m_tracking->setTextFormat(Qt::PlainText);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->setSpacing(12);
    auto* where = new QHBoxLayout;
    where->setSpacing(6);
    where->addWidget(m_symbol);
    where->addWidget(name);
    where->addWidget(m_separator);
    where->addWidget(m_branch);
    where->addWidget(m_tracking);
    // Takes the room the branch leaves, so the name and the counts stay at the left.
    where->addStretch(1);
    layout->addLayout(where, 1);
    layout->addStretch(0);

    QToolButton* fetch =
        makeCommandButton(QStringLiteral("Fetch"), QStringLiteral("arrow.down.circle"),
                          QStringLiteral("Fetch all remotes"), QStringLiteral("fetchButton"));
    m_pull = makeCommandButton(QStringLiteral("Pull"), QStringLiteral("arrow.down.doc"),
                               QStringLiteral("Pull from remote"), QStringLiteral("pullButton"));
    m_push = makeCommandButton(QStringLiteral("Push"), QStringLiteral("arrow.up.doc"),
                               QStringLiteral("Push to remote"), QStringLiteral("pushButton"));
    QToolButton* pull = m_pull;
    QToolButton* push = m_push;
    connect(fetch, &QToolButton::clicked, this, [this] {
        if (m_state)
            m_state->fetch();
    });
    connect(pull, &QToolButton::clicked, this, [this] {
        if (m_state)
            m_state->pull();
    });
    connect(push, &QToolButton::clicked, this, [this] {
        if (m_state)
            m_state->push();
    });
    // What runs on the network, and a way to stop it: a hung remote must never trap the user.
    m_networkCommand = new ElidedLabel(Qt::ElideRight, this);
    m_networkCommand->setObjectName(QStringLiteral("runningNetworkCommand"));
    m_networkCommand->setFont(mono);
    m_networkCommand->setPreferredMaximumWidth(220);
    m_cancelNetwork = new QToolButton(this);
    m_cancelNetwork->setObjectName(QStringLiteral("cancelNetworkButton"));
    m_cancelNetwork->setText(QStringLiteral("Cancel"));
    m_cancelNetwork->setToolTip(QStringLiteral("Stop the running network command"));
    connect(m_cancelNetwork, &QToolButton::clicked, this, [this] {
        if (m_state)
            m_state->cancelNetworkCommands();
    });
    layout->addWidget(m_networkCommand);
    layout->addWidget(m_cancelNetwork);
    connect(&state, &RepositoryState::runningNetworkCommandsChanged, this,
            &ToolbarView::updateNetworkCommand);
    updateNetworkCommand();

    layout->addWidget(fetch);
    layout->addWidget(pull);
    layout->addWidget(push);

    auto* divider = new DividerLine(Qt::Vertical, this);
    divider->setFixedHeight(20);
    layout->addWidget(divider);

    auto* refresh = new QToolButton(this);
    refresh->setObjectName(QStringLiteral("refreshButton"));
    refresh->setProperty("symbol", QStringLiteral("arrow.clockwise"));
    refresh->setIconSize(QSize(16, 16));
    refresh->setAutoRaise(true);
    refresh->setToolTip(QStringLiteral("Refresh"));
    refresh->setFocusPolicy(Qt::TabFocus);
    connect(refresh, &QToolButton::clicked, this, [this] {
        if (m_state)
            m_state->refresh();
    });
    layout->addWidget(refresh);

    m_spinner = new ProgressSpinner(this);
    m_spinner->setObjectName(QStringLiteral("progressIndicator"));
    m_spinner->setSpinning(state.isLoading());
    layout->addWidget(m_spinner);

    connect(&state, &RepositoryState::currentBranchChanged, this, &ToolbarView::updateBranch);
    connect(&state, &RepositoryState::currentBranchChanged, this, &ToolbarView::updateTracking);
    connect(&state, &RepositoryState::branchTrackingChanged, this, &ToolbarView::updateTracking);
    connect(&state, &RepositoryState::isLoadingChanged, this, [this] {
        if (m_state)
            m_spinner->setSpinning(m_state->isLoading());
    });
    updateBranch();
    updateTracking();
    updateColours();
}

BadgeButton* ToolbarView::makeCommandButton(const QString& text, const QString& symbol,
                                            const QString& toolTip, const QString& objectName) {
    auto* button = new BadgeButton(this);
    button->setObjectName(objectName);
    button->setText(text);
    button->setProperty("symbol", symbol); // tinted in updateColours
    button->setIconSize(QSize(14, 14));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setToolTip(toolTip);
    button->setAutoRaise(false);
    QFont small = button->font();
    small.setPointSizeF(small.pointSizeF() * 0.92);
    button->setFont(small);
    return button;
}

void ToolbarView::updateBranch() {
    if (!m_state)
        return;
    // On a detached HEAD (or when git could not say) there is no branch to point to.
    const QString branch = m_state->currentBranch();
    m_branch->setFullText(branch);
    m_separator->setVisible(!branch.isEmpty());
    m_branch->setVisible(!branch.isEmpty());
}

void ToolbarView::updateTracking() {
    if (!m_state)
        return;
    const std::optional<BranchTracking> tracking = m_state->currentTracking();
    const QString counts = tracking ? trackingCountsText(*tracking) : QString();
    const QString description = tracking ? trackingDescription(*tracking) : QString();
    m_tracking->setText(counts);
    m_tracking->setToolTip(description);
    m_tracking->setVisible(!counts.isEmpty());
    const int behind = tracking ? tracking->behind : 0;
    const int ahead = tracking ? tracking->ahead : 0;
    m_pull->setBadge(behind > 0 ? QString::number(behind) : QString());
    m_push->setBadge(ahead > 0 ? QString::number(ahead) : QString());
    const auto withCount = [&](const QString& base, int count) {
        return count > 0 ? base + u'\n' + description : base;
    };
    m_pull->setToolTip(withCount(QStringLiteral("Pull from remote"), behind));
    m_push->setToolTip(withCount(QStringLiteral("Push to remote"), ahead));
}

void ToolbarView::updateNetworkCommand() {
    if (!m_state)
        return;
    const QStringList running = m_state->runningNetworkCommands();
    QString text = running.value(0);
    if (running.size() > 1)
        text += QStringLiteral(" (+%1)").arg(running.size() - 1);
    m_networkCommand->setFullText(text);
    m_networkCommand->setToolTip(running.join(u'\n'));
    m_networkCommand->setVisible(!running.isEmpty());
    m_cancelNetwork->setVisible(!running.isEmpty());
}

void ToolbarView::updateColours() {
    const QPalette& pal = palette();
    m_symbol->setPixmap(tintedSymbol(QStringLiteral("arrow.triangle.branch"), ViewColors::blue(pal),
                                     14, devicePixelRatioF()));
    QPalette tertiary = m_separator->palette();
    tertiary.setColor(QPalette::WindowText, ViewColors::tertiaryLabel(pal));
    m_separator->setPalette(tertiary);
    QPalette secondary = m_branch->palette();
    secondary.setColor(QPalette::WindowText, ViewColors::secondaryLabel(pal));
    m_branch->setPalette(secondary);
    m_tracking->setPalette(secondary);
    // The bundled symbols are black: drawn in the text colour they stay visible on dark bars.
    for (QToolButton* button : findChildren<QToolButton*>()) {
        const QString symbol = button->property("symbol").toString();
        if (!symbol.isEmpty())
            button->setIcon(
                paletteSymbolIcon(symbol, pal, button->iconSize().width(), devicePixelRatioF()));
    }
}

void ToolbarView::changeEvent(QEvent* event) {
    BarWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_symbol)
        updateColours();
}

} // namespace tolvane
