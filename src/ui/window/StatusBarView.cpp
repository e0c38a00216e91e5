#include "ui/window/StatusBarView.h"

#include "state/RepositoryState.h"
#include "ui/common/ElidedLabel.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>

namespace tolvane {
namespace {

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

} // namespace

StatusBarView::StatusBarView(RepositoryState& state, QWidget* parent)
    : BarWidget(parent), m_state(&state) {
    setObjectName(QStringLiteral("statusBarView"));
    QFont caption = font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    setFont(caption);
    QFont monoCaption = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    monoCaption.setPointSizeF(caption.pointSizeF());

    m_folderSymbol = new QLabel(this);
    m_folderSymbol->setObjectName(QStringLiteral("statusFolderSymbol"));
    m_path = new ElidedLabel(Qt::ElideMiddle, this);
    m_path->setObjectName(QStringLiteral("statusPath"));
    m_path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    m_counts = new QWidget(this);
    m_counts->setObjectName(QStringLiteral("statusCounts"));
    auto* countsLayout = new QHBoxLayout(m_counts);
    countsLayout->setContentsMargins(0, 0, 0, 0);
    countsLayout->setSpacing(4);
    m_stagedSymbol = new QLabel(m_counts);
    m_staged = makeCountLabel(QStringLiteral("stagedCount"));
    m_staged->setFont(monoCaption);
    m_unstagedSymbol = new QLabel(m_counts);
    m_unstaged = makeCountLabel(QStringLiteral("unstagedCount"));
    m_unstaged->setFont(monoCaption);
    countsLayout->addWidget(m_stagedSymbol);
    countsLayout->addWidget(m_staged);
    countsLayout->addSpacing(6);
    countsLayout->addWidget(m_unstagedSymbol);
    countsLayout->addWidget(m_unstaged);

    m_dot = new QLabel(QStringLiteral("·"), this);
    m_dot->setObjectName(QStringLiteral("statusDot"));
    m_branch = new ElidedLabel(Qt::ElideMiddle, this);
    m_branch->setObjectName(QStringLiteral("statusBranch"));
    m_branch->setFont(monoCaption);
    m_branch->setPreferredMaximumWidth(280);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 4, 12, 4);
    layout->setSpacing(12);
    auto* folder = new QHBoxLayout;
    folder->setSpacing(6);
    folder->addWidget(m_folderSymbol);
    folder->addWidget(m_path, 1);
    layout->addLayout(folder, 1);
    layout->addWidget(m_counts);
    auto* branch = new QHBoxLayout;
    branch->setSpacing(6);
    branch->addWidget(m_dot);
    branch->addWidget(m_branch);
    layout->addLayout(branch);

    connect(&state, &RepositoryState::changesChanged, this, &StatusBarView::updateContents);
    connect(&state, &RepositoryState::currentBranchChanged, this, &StatusBarView::updateContents);
    connect(&state, &RepositoryState::selectedWorktreeChanged, this,
            &StatusBarView::updateContents);
    updateColours();
    updateContents();
}

QLabel* StatusBarView::makeCountLabel(const QString& objectName) {
    auto* label = new QLabel(m_counts);
    label->setObjectName(objectName);
    return label;
}

void StatusBarView::updateContents() {
    if (!m_state)
        return;
    m_path->setFullText(m_state->repoPath());
    qsizetype staged = 0;
    qsizetype unstaged = 0;
    for (const FileChange& change : m_state->changes())
        (change.isStaged ? staged : unstaged) += 1;
    m_staged->setText(QString::number(staged));
    m_unstaged->setText(QString::number(unstaged));
    m_stagedSymbol->setVisible(staged > 0);
    m_staged->setVisible(staged > 0);
    m_unstagedSymbol->setVisible(unstaged > 0);
    m_unstaged->setVisible(unstaged > 0);
    m_counts->setVisible(staged + unstaged > 0);
    m_branch->setFullText(m_state->currentBranch());
}

void StatusBarView::updateColours() {
    const QPalette& pal = palette();
    const qreal dpr = devicePixelRatioF();
    const QColor secondary = ViewColors::secondaryLabel(pal);
    m_folderSymbol->setPixmap(tintedSymbol(QStringLiteral("folder.fill"), secondary, 12, dpr));
    m_stagedSymbol->setPixmap(
        tintedSymbol(QStringLiteral("checkmark.circle"), ViewColors::green(pal), 12, dpr));
    m_unstagedSymbol->setPixmap(
        tintedSymbol(QStringLiteral("pencil.circle"), ViewColors::orange(pal), 12, dpr));
    setTextColour(m_path, pal.color(QPalette::WindowText));
    setTextColour(m_staged, ViewColors::green(pal));
    setTextColour(m_unstaged, ViewColors::orange(pal));
    setTextColour(m_dot, secondary);
    setTextColour(m_branch, ViewColors::blue(pal));
}

void StatusBarView::changeEvent(QEvent* event) {
    BarWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_folderSymbol)
        updateColours();
}

} // namespace tolvane
