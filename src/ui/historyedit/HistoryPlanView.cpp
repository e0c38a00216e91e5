#include "ui/historyedit/HistoryPlanView.h"

#include "state/HistoryEditor.h"
#include "state/RepositoryState.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

struct ActionKey {
    PlanAction action;
    Qt::Key key;
    const char* label;
};

const ActionKey actionKeys[] = {
    {PlanAction::Pick, Qt::Key_P, "Pick"},     {PlanAction::Reword, Qt::Key_R, "Reword…"},
    {PlanAction::Squash, Qt::Key_S, "Squash"}, {PlanAction::Fixup, Qt::Key_F, "Fixup"},
    {PlanAction::Drop, Qt::Key_D, "Drop"},     {PlanAction::Edit, Qt::Key_E, "Stop to Edit"},
};

// Drops onto a row meld into it; drops between rows move. The list never moves its own items:
// the plan does, and the list is rebuilt from it.
class PlanList : public QListWidget {
public:
    using QListWidget::QListWidget;
    std::function<void(int from, int to)> moved;
    std::function<void(int dragged, int target, bool fixup)> melded;

protected:
    void dropEvent(QDropEvent* event) override {
        const int from = currentRow();
        const QModelIndex at = indexAt(event->position().toPoint());
        const DropIndicatorPosition position = dropIndicatorPosition();
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        if (from < 0)
            return;
        if (position == OnItem && at.isValid()) {
            const bool fixup = event->modifiers() & (Qt::AltModifier | Qt::ControlModifier);
            melded(from, at.row(), fixup);
            return;
        }
        int to = at.isValid() ? at.row() : count() - 1;
        if (at.isValid() && position == BelowItem)
            ++to;
        if (to > from)
            --to;
        moved(from, std::clamp(to, 0, count() - 1));
    }
};

} // namespace

HistoryPlanView::HistoryPlanView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_editor(&state->historyEditor()) {
    setObjectName(QStringLiteral("historyPlanView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    auto* header = new QHBoxLayout;
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("historyPlanTitle"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    header->addWidget(m_title, 1);
    m_placeFixups = new QCheckBox(QStringLiteral("Place fixup commits"), this);
    m_placeFixups->setObjectName(QStringLiteral("historyPlanPlaceFixups"));
    m_placeFixups->setToolTip(QStringLiteral("Moves commits named “fixup! …” and “squash! …” "
                                             "after the commit they name, and marks them"));
    header->addWidget(m_placeFixups);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("historyPlanCancel"));
    header->addWidget(cancel);
    m_start = new QPushButton(QStringLiteral("Start"), this);
    m_start->setObjectName(QStringLiteral("historyPlanStart"));
    m_start->setDefault(true);
    header->addWidget(m_start);
    layout->addLayout(header);

    auto* hint = new QLabel(QStringLiteral("Drag to reorder; drop onto a commit to squash into "
                                           "it (hold Alt to fix up). Keys: P, R, S, F, D, E; "
                                           "Alt+Up/Down moves; Enter starts."),
                            this);
    hint->setWordWrap(true);
    hint->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(hint);

    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("historyPlanRefusal"));
    m_refusal->setWordWrap(true);
    m_refusal->setStyleSheet(QStringLiteral("color: #d33;"));
    layout->addWidget(m_refusal);

    m_pushedBar = new QWidget(this);
    m_pushedBar->setObjectName(QStringLiteral("historyPlanPushed"));
    auto* pushedLayout = new QHBoxLayout(m_pushedBar);
    pushedLayout->setContentsMargins(0, 0, 0, 0);
    auto* pushedText = new QLabel(QStringLiteral("Some of these commits are already on a remote. "
                                                 "Rewriting them changes history others may have "
                                                 "pulled."),
                                  m_pushedBar);
    pushedText->setWordWrap(true);
    pushedLayout->addWidget(pushedText, 1);
    auto* rewrite = new QPushButton(QStringLiteral("Rewrite Anyway"), m_pushedBar);
    rewrite->setObjectName(QStringLiteral("historyPlanRewriteAnyway"));
    pushedLayout->addWidget(rewrite);
    layout->addWidget(m_pushedBar);

    auto* list = new PlanList(this);
    m_list = list;
    m_list->setObjectName(QStringLiteral("historyPlanList"));
    m_list->setDragDropMode(QAbstractItemView::InternalMove);
    m_list->setDefaultDropAction(Qt::MoveAction);
    m_list->setDragEnabled(true);
    m_list->setAcceptDrops(true);
    m_list->setDropIndicatorShown(true);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->installEventFilter(this);
    layout->addWidget(m_list, 1);
    list->moved = [this](int from, int to) {
        const qsizetype target = planIndex(to);
        m_editor->moveRow(planIndex(from), target);
        selectPlanIndex(target);
    };
    list->melded = [this](int dragged, int target, bool fixup) {
        meldRows(dragged, target, fixup);
    };

    m_prompt = [this](const QString& title, const QString& text) -> std::optional<QString> {
        bool ok = false;
        const QString message = QInputDialog::getMultiLineText(this, title, QString(), text, &ok);
        if (!ok)
            return std::nullopt;
        return message;
    };

    connect(cancel, &QPushButton::clicked, m_editor, &HistoryEditor::cancel);
    connect(m_start, &QPushButton::clicked, m_editor, [this] { m_editor->start(); });
    connect(rewrite, &QPushButton::clicked, m_editor, [this] { m_editor->confirmStartPushed(); });
    connect(m_placeFixups, &QCheckBox::toggled, m_editor, &HistoryEditor::setPlaceFixups);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (m_list->itemAt(at) == nullptr)
            return;
        QMenu menu(this);
        for (const ActionKey& entry : actionKeys) {
            QAction* action = menu.addAction(QString::fromUtf8(entry.label), this,
                                             [this, entry] { setActionOfCurrent(entry.action); });
            action->setShortcut(QKeySequence(entry.key));
        }
        menu.exec(m_list->viewport()->mapToGlobal(at));
    });
    connect(m_editor, &HistoryEditor::rowsChanged, this, &HistoryPlanView::reload);
    connect(m_editor, &HistoryEditor::refusalChanged, this, &HistoryPlanView::reload);
    connect(m_editor, &HistoryEditor::isRunningChanged, this, &HistoryPlanView::reload);
    connect(m_editor, &HistoryEditor::showPushedConfirmationChanged, this,
            &HistoryPlanView::reload);
    connect(m_editor, &HistoryEditor::placeFixupsChanged, this, &HistoryPlanView::reload);
    reload();
}

qsizetype HistoryPlanView::planIndex(int listRow) const {
    return m_editor->rows().size() - 1 - listRow;
}

int HistoryPlanView::listRow(qsizetype planIndex) const {
    return int(m_editor->rows().size() - 1 - planIndex);
}

void HistoryPlanView::selectPlanIndex(qsizetype index) {
    if (index >= 0 && index < m_editor->rows().size())
        m_list->setCurrentRow(listRow(index));
}

void HistoryPlanView::reload() {
    const QList<PlanRow>& rows = m_editor->rows();
    const int current = m_list->currentRow();
    m_title->setText(QStringLiteral("Edit History: %1 commit%2")
                         .arg(rows.size())
                         .arg(rows.size() == 1 ? QString() : QStringLiteral("s")));
    m_refusal->setText(m_editor->refusal());
    m_refusal->setVisible(!m_editor->refusal().isEmpty());
    m_pushedBar->setVisible(m_editor->showPushedConfirmation());
    {
        const QSignalBlocker blocker(m_placeFixups);
        m_placeFixups->setChecked(m_editor->placeFixups());
    }
    m_start->setEnabled(!m_editor->isRunning());
    m_list->clear();
    for (qsizetype i = rows.size() - 1; i >= 0; --i) {
        const PlanRow& row = rows[i];
        const bool follower = row.action == PlanAction::Squash || row.action == PlanAction::Fixup;
        QString subject = row.subject;
        if (row.action == PlanAction::Reword && row.editedMessage)
            subject = row.editedMessage->section(u'\n', 0, 0) + QStringLiteral("  (was: ") +
                      row.subject + u')';
        // Melded rows point down at the commit they join.
        auto* item =
            new QListWidgetItem(QStringLiteral("%1 %2 %3  %4")
                                    .arg(todoWord(row.action).leftJustified(6),
                                         follower ? QStringLiteral("↳") : QStringLiteral(" "),
                                         row.hash.left(7), subject),
                                m_list);
        QFont font = item->font();
        font.setFamily(QStringLiteral("monospace"));
        font.setStrikeOut(row.action == PlanAction::Drop);
        item->setFont(font);
        item->setToolTip(row.message);
        if (row.action == PlanAction::Drop)
            item->setForeground(palette().color(QPalette::PlaceholderText));
    }
    if (current >= 0 && current < m_list->count())
        m_list->setCurrentRow(current);
    else if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void HistoryPlanView::setActionOfCurrent(PlanAction action) {
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    const qsizetype index = planIndex(row);
    if (action == PlanAction::Reword) {
        const PlanRow& planned = m_editor->rows()[index];
        const std::optional<QString> message =
            m_prompt(QStringLiteral("Reword “%1”").arg(planned.subject),
                     planned.editedMessage.value_or(planned.message));
        if (message)
            m_editor->setRewordMessage(index, *message);
        return;
    }
    m_editor->setAction(index, action);
    if (action == PlanAction::Squash && m_editor->refusal().isEmpty())
        askChainMessage(index);
}

void HistoryPlanView::moveCurrent(int listSteps) {
    const int row = m_list->currentRow();
    const int to = row + listSteps;
    if (row < 0 || to < 0 || to >= m_list->count())
        return;
    const qsizetype target = planIndex(to);
    m_editor->moveRow(planIndex(row), target);
    selectPlanIndex(target);
}

void HistoryPlanView::meldRows(int dragged, int target, bool fixup) {
    const QString hash = m_editor->rows().value(planIndex(dragged)).hash;
    m_editor->meld(planIndex(dragged), planIndex(target), fixup);
    if (!m_editor->refusal().isEmpty())
        return;
    const QList<PlanRow>& rows = m_editor->rows();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i].hash != hash)
            continue;
        selectPlanIndex(i);
        if (!fixup)
            askChainMessage(i);
        break;
    }
}

void HistoryPlanView::askChainMessage(qsizetype index) {
    const QList<PlanRow>& rows = m_editor->rows();
    const qsizetype start = chainStart(rows, index);
    const QString offered = rows[start].chainMessage.value_or(joinedMessage(rows, start));
    if (const std::optional<QString> message =
            m_prompt(QStringLiteral("Message of the squashed commit"), offered))
        m_editor->setChainMessage(index, *message);
}

bool HistoryPlanView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers == Qt::AltModifier &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            moveCurrent(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
        if (modifiers == Qt::NoModifier) {
            for (const ActionKey& entry : actionKeys) {
                if (key->key() == entry.key) {
                    setActionOfCurrent(entry.action);
                    return true;
                }
            }
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                m_editor->start();
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                m_editor->cancel();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvane
