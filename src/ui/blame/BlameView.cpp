#include "ui/blame/BlameView.h"

#include "engine/countText.h"
#include "engine/gitText.h"
#include "state/RepositoryState.h"
#include "ui/blame/BlameGroupDelegate.h"
#include "ui/blame/BlameGroupModel.h"
#include "ui/common/ProgressSpinner.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/oneLineText.h"
#include "ui/common/placeholderPage.h"
#include "ui/common/viewColors.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {

BlameView::BlameView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_model(new BlameGroupModel(this)), m_icon(new QLabel(this)),
      m_path(new QLabel(this)), m_count(new QLabel(this)), m_close(new QToolButton(this)),
      m_history(new QToolButton(this)), m_breadcrumb(new QWidget(this)),
      m_body(new QStackedWidget(this)), m_spinner(nullptr), m_list(nullptr) {
    setObjectName(QStringLiteral("blameView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("blameHeader"));
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(12, 8, 8, 8);
    headerLayout->setSpacing(8);
    m_path->setObjectName(QStringLiteral("blameFilePath"));
    QFont pathFont = m_path->font();
    pathFont.setWeight(QFont::DemiBold);
    m_path->setFont(pathFont);
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_count->setObjectName(QStringLiteral("blameLineCount"));
    QFont caption = m_count->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    m_count->setFont(caption);
    m_count->setForegroundRole(QPalette::PlaceholderText);
    m_close->setObjectName(QStringLiteral("blameCloseButton"));
    m_close->setAutoRaise(true);
    m_close->setToolTip(QStringLiteral("Close blame view"));
    m_close->setIconSize(QSize(16, 16));
    headerLayout->addWidget(m_icon);
    headerLayout->addWidget(m_path);
    headerLayout->addWidget(m_count);
    headerLayout->addStretch(1);
    m_history->setObjectName(QStringLiteral("blameShowHistoryButton"));
    m_history->setText(QStringLiteral("Show History"));
    m_history->setToolTip(QStringLiteral("Show the commits that changed this file"));
    m_history->setAutoRaise(true);
    headerLayout->addWidget(m_history);
    headerLayout->addWidget(m_close);
    layout->addWidget(header);
    // Where blame has walked back to: each step a button, the one shown disabled.
    m_breadcrumb->setObjectName(QStringLiteral("blameBreadcrumb"));
    auto* crumbs = new QHBoxLayout(m_breadcrumb);
    crumbs->setContentsMargins(12, 0, 8, 6);
    crumbs->setSpacing(2);
    layout->addWidget(m_breadcrumb);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);

    auto* loading = new QWidget(m_body);
    loading->setObjectName(QStringLiteral("blameLoading"));
    auto* loadingLayout = new QVBoxLayout(loading);
    loadingLayout->addStretch(1);
    m_spinner = new ProgressSpinner(loading);
    loadingLayout->addWidget(m_spinner, 0, Qt::AlignHCenter);
    auto* loadingText = new QLabel(QStringLiteral("Loading blame..."), loading);
    loadingText->setObjectName(QStringLiteral("blameLoadingText"));
    loadingText->setForegroundRole(QPalette::PlaceholderText);
    loadingLayout->addWidget(loadingText, 0, Qt::AlignHCenter);
    loadingLayout->addStretch(1);

    QWidget* empty = makePlaceholderPage(QStringLiteral("questionmark.circle"),
                                         QStringLiteral("No blame data available"),
                                         QStringLiteral("blameEmpty"), m_body);

    m_list = new QListView(m_body);
    m_list->setObjectName(QStringLiteral("blameList"));
    m_list->setAccessibleName(tr("Blame"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new BlameGroupDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);

    m_body->addWidget(loading);
    m_body->addWidget(empty);
    m_body->addWidget(m_list);
    layout->addWidget(m_body, 1);

    connect(m_close, &QToolButton::clicked, this, [this] { m_state->closeBlameView(); });
    connect(m_history, &QToolButton::clicked, this,
            [this] { m_state->showFileHistory(m_state->blameFilePath()); });
    connect(m_state, &RepositoryState::blameTrailChanged, this, &BlameView::rebuildBreadcrumb);
    connect(m_state, &RepositoryState::blameTrailPositionChanged, this,
            &BlameView::rebuildBreadcrumb);
    connect(m_state, &RepositoryState::blameFocusLineChanged, this, [this] {
        // The rows of the new lines are laid out first.
        const int line = m_state->blameFocusLine();
        QTimer::singleShot(0, this, [this, line] { scrollToLine(line); });
    });
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const GitBlameLine* line = nullptr;
        const BlameGroup* group = groupAt(at, &line);
        if (!group)
            return;
        const QString hash = group->commitHash;
        const GitBlameLine chosen = *line;
        QMenu menu(this);
        menu.addAction(QStringLiteral("Show Commit in History"), this,
                       [this, hash] { m_state->showCommitInHistory(hash); });
        QAction* previous =
            menu.addAction(QStringLiteral("Blame Previous Revision"), this,
                           [this, chosen] { m_state->blamePreviousRevision(chosen); });
        previous->setEnabled(!chosen.previousHash().isEmpty());
        menu.exec(m_list->viewport()->mapToGlobal(at));
    });
    connect(m_state, &RepositoryState::blameLinesChanged, this, &BlameView::syncWithState);
    connect(m_state, &RepositoryState::blameFilePathChanged, this, &BlameView::syncWithState);
    connect(m_state, &RepositoryState::isLoadingDiffChanged, this, &BlameView::syncWithState);
    updateHeaderIcons();
    syncWithState();
    rebuildBreadcrumb();
}

const BlameGroup* BlameView::groupAt(const QPoint& pos, const GitBlameLine** line) const {
    const QModelIndex index = m_list->indexAt(pos);
    if (!index.isValid())
        return nullptr;
    const BlameGroup& group = m_model->groupAt(index.row());
    const int offset = (pos.y() - m_list->visualRect(index).top()) / BlameGroupDelegate::lineHeight;
    *line = &group.lines.at(std::clamp(offset, 0, int(group.lines.size()) - 1));
    return &group;
}

void BlameView::scrollToLine(int line) {
    const QList<BlameGroup>& groups = m_model->groups();
    for (int row = 0; row < groups.size(); ++row) {
        const QList<GitBlameLine>& lines = groups.at(row).lines;
        if (lines.isEmpty() || line < lines.constFirst().id || line > lines.constLast().id)
            continue;
        const QRect rect = m_list->visualRect(m_model->index(row));
        const int y = rect.top() + (line - lines.constFirst().id) * BlameGroupDelegate::lineHeight;
        // The line a third of the way down, so what led to it stays in view.
        QScrollBar* bar = m_list->verticalScrollBar();
        bar->setValue(bar->value() + y - m_list->viewport()->height() / 3);
        return;
    }
}

void BlameView::rebuildBreadcrumb() {
    auto* crumbs = static_cast<QHBoxLayout*>(m_breadcrumb->layout());
    while (QLayoutItem* item = crumbs->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QList<BlameStep>& trail = m_state->blameTrail();
    m_breadcrumb->setVisible(trail.size() > 1);
    for (int i = 0; i < trail.size(); ++i) {
        if (i > 0) {
            auto* arrow = new QLabel(QStringLiteral("\u203A"), m_breadcrumb);
            arrow->setForegroundRole(QPalette::PlaceholderText);
            crumbs->addWidget(arrow);
        }
        const BlameStep& step = trail.at(i);
        auto* button = new QToolButton(m_breadcrumb);
        button->setObjectName(QStringLiteral("blameStep%1").arg(i));
        button->setAutoRaise(true);
        button->setText(step.revision.isEmpty() ? QStringLiteral("Working Tree")
                                                : step.revision.left(7));
        button->setToolTip(displayText(step.path) + QStringLiteral(", line ") +
                           QString::number(step.line));
        button->setEnabled(i != m_state->blameTrailPosition());
        connect(button, &QToolButton::clicked, this, [this, i] { m_state->goToBlameStep(i); });
        crumbs->addWidget(button);
    }
    crumbs->addStretch(1);
}

BlameView::Page BlameView::page() const {
    return Page(m_body->currentIndex());
}

QString BlameView::hoveredGroup() const {
    return m_model->hoveredGroup();
}

void BlameView::syncWithState() {
    m_path->setText(oneLineText(m_state->blameFilePath()) +
                    (m_state->blameRevision().isEmpty()
                         ? QString()
                         : QStringLiteral(" at ") + m_state->blameRevision().left(7)));
    m_count->setText(
        countText(m_state->blameLines().size(), QStringLiteral("line"), QStringLiteral("lines")));
    m_model->setLines(m_state->blameLines());
    Page page = Page::Groups;
    if (m_state->isLoadingDiff())
        page = Page::Loading;
    else if (m_state->blameLines().isEmpty())
        page = Page::Empty;
    m_body->setCurrentIndex(int(page));
    m_spinner->setSpinning(page == Page::Loading);
}

void BlameView::updateHeaderIcons() {
    const qreal dpr = devicePixelRatioF();
    const QColor secondary = ViewColors::secondary(palette());
    m_icon->setPixmap(tintedSymbol(QStringLiteral("person.text.rectangle"), secondary, 16, dpr));
    m_close->setIcon(QIcon(tintedSymbol(QStringLiteral("xmark.circle.fill"), secondary, 16, dpr)));
}

void BlameView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        updateHeaderIcons();
    QWidget::changeEvent(event);
}

bool BlameView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            const GitBlameLine* line = nullptr;
            const auto* click = static_cast<QMouseEvent*>(event);
            if (const BlameGroup* group = groupAt(click->position().toPoint(), &line))
                m_state->showCommitInHistory(group->commitHash);
        }
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            const QModelIndex index = m_list->indexAt(move->position().toPoint());
            m_model->setHoveredGroup(
                index.isValid() ? index.data(BlameGroupModel::GroupIdRole).toString() : QString());
        } else if (event->type() == QEvent::Leave) {
            m_model->setHoveredGroup({});
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvane
