#include "auxiliary/ListKeyHandler.h"

#include "app/AppState.h"
#include "auxiliary/PreviewPanelController.h"
#include "state/RepositoryState.h"
#include "ui/changes/ChangesView.h"
#include "ui/history/CommitLogModel.h"
#include "ui/history/CommitLogView.h"
#include "ui/window/RepositoryView.h"
#include "ui/window/SidebarView.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <array>
#include <memory>

namespace tolvane {
namespace {

ChangesView* changesView(RepositoryView* view) {
    return view ? qobject_cast<ChangesView*>(view->sidebar()->page(SidebarTab::Changes)) : nullptr;
}

CommitLogView* commitLogView(RepositoryView* view) {
    return view ? qobject_cast<CommitLogView*>(view->historyPane()) : nullptr;
}

// The section list the keyboard works in.
QAbstractItemView* fileList(RepositoryView* view) {
    ChangesView* changes = changesView(view);
    return changes ? changes->list() : nullptr;
}

// Both sections: focus in either is focus in the file list.
QWidget* fileLists(RepositoryView* view) {
    ChangesView* changes = changesView(view);
    return changes ? changes->fileLists() : nullptr;
}

QAbstractItemView* commitList(RepositoryView* view) {
    CommitLogView* history = commitLogView(view);
    return history ? history->list() : nullptr;
}

// The diff (or blame) area shown now.
QWidget* shownDetail(RepositoryView* view) {
    if (!view)
        return nullptr;
    for (QWidget* pane : {view->detailPane(), view->blamePane()}) {
        if (pane && pane->isVisible())
            return pane;
    }
    return nullptr;
}

bool within(const QWidget* ancestor, const QWidget* widget) {
    return ancestor && widget && (ancestor == widget || ancestor->isAncestorOf(widget));
}

bool answersSpaceItself(const QWidget* widget) {
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QComboBox*>(widget);
}

bool isEditingText(const QWidget* widget) {
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        return !line->isReadOnly();
    if (const auto* text = qobject_cast<const QTextEdit*>(widget))
        return !text->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return !plain->isReadOnly();
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    return qobject_cast<const QAbstractSpinBox*>(widget) != nullptr;
}

// The widget of the diff area that takes the keyboard: its first focusable, visible view.
QWidget* detailFocusTarget(RepositoryView* view) {
    QWidget* pane = shownDetail(view);
    if (!pane)
        return nullptr;
    const QList<QWidget*> children = pane->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if ((child->focusPolicy() & Qt::TabFocus) && child->isVisible() && child->isEnabled() &&
            !answersSpaceItself(child))
            return child;
    }
    return nullptr;
}

qsizetype indexOfFile(const QList<FileChange>& files, const std::optional<FileChange>& file) {
    if (!file)
        return -1;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (files[i].path == file->path && files[i].isStaged == file->isStaged)
            return i;
    }
    return -1;
}

qsizetype indexOfCommit(const QList<GitCommit>& commits, const std::optional<GitCommit>& commit) {
    if (!commit)
        return -1;
    for (qsizetype i = 0; i < commits.size(); ++i) {
        if (commits[i].id == commit->id)
            return i;
    }
    return -1;
}

bool isRowMenuKey(int key, Qt::KeyboardModifiers modifiers) {
    modifiers &= ~Qt::KeypadModifier;
    return (key == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
           (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
}

// How many rows of `list` fill its visible height.
int pageRows(QAbstractItemView* list, int sampleRow) {
    if (!list || !list->model() || list->model()->rowCount() == 0)
        return 1;
    const int row = qBound(0, sampleRow, list->model()->rowCount() - 1);
    const int height = std::max(1, list->sizeHintForRow(row));
    return std::max(1, list->viewport()->height() / height);
}

// Keeps the selected row in sight after the keyboard moved it.
void revealSelectedFile(RepositoryView* view, const RepositoryState& state) {
    ChangesView* changes = changesView(view);
    if (!changes || !state.selectedFile())
        return;
    changes->revealFile(state.selectedFile()->id());
}

void revealSelectedCommit(RepositoryView* view, const RepositoryState& state) {
    CommitLogView* history = commitLogView(view);
    if (!history || !state.selectedCommit())
        return;
    CommitLogModel* model = history->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (const GitCommit* commit = model->commit(row);
            commit && commit->id == state.selectedCommit()->id) {
            history->list()->scrollTo(model->index(row));
            return;
        }
    }
}

} // namespace

ListKeyHandler::ListKeyHandler(AppState& appState, QWidget* mainWindow,
                               PreviewPanelController& preview, QObject* parent)
    : QObject(parent), m_appState(&appState), m_mainWindow(mainWindow), m_preview(&preview) {}

RepositoryView* ListKeyHandler::activeView() const {
    RepositoryState* state = m_appState ? m_appState->activeRepositoryState() : nullptr;
    if (!state || !m_mainWindow)
        return nullptr;
    const QList<RepositoryView*> views = m_mainWindow->findChildren<RepositoryView*>();
    for (RepositoryView* view : views) {
        if (view->state() == state)
            return view;
    }
    return nullptr;
}

KeyContext ListKeyHandler::context() const {
    KeyContext context;
    RepositoryState* state = m_appState ? m_appState->activeRepositoryState() : nullptr;
    if (!state)
        return context;
    context.hasRepository = true;
    context.changesPage = state->selectedTab() == SidebarTab::Changes;
    context.fileListFocused = state->fileListFocused();
    context.fileSelected = state->selectedFile().has_value();
    context.commitSelected = state->selectedCommit().has_value();
    context.previewVisible = m_preview && m_preview->isPanelVisible();

    QWidget* focus = QApplication::focusWidget();
    context.editingText = focus && isEditingText(focus);
    RepositoryView* view = activeView();
    if (!focus || !view)
        context.focus = KeyFocus::Elsewhere;
    else if (answersSpaceItself(focus))
        context.focus = KeyFocus::Button;
    else if (within(fileLists(view), focus))
        context.focus = KeyFocus::FileList;
    else if (within(commitList(view), focus))
        context.focus = KeyFocus::CommitList;
    else if (within(shownDetail(view), focus))
        context.focus = KeyFocus::Detail;
    return context;
}

bool ListKeyHandler::openRowMenu(QWidget* focus) {
    // The viewport or the list itself may hold the keyboard.
    auto* list = qobject_cast<QAbstractItemView*>(focus);
    if (!list && focus)
        list = qobject_cast<QAbstractItemView*>(focus->parentWidget());
    if (!list || !list->model() || !list->window() || list->window() != m_mainWindow.data())
        return false;
    QModelIndex index = list->currentIndex();
    if (!index.isValid() && list->selectionModel() && list->selectionModel()->hasSelection())
        index = list->selectionModel()->selectedIndexes().value(0);
    if (!index.isValid())
        return false;
    list->scrollTo(index);
    // The menu opens on the row, as a right click there would; the list's own handling builds it.
    const QRect rect = list->visualRect(index);
    const QPoint at(rect.left() + std::min(rect.width() / 2, 40), rect.center().y());
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, at, list->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list->viewport(), &menuEvent);
    return true;
}

bool ListKeyHandler::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !m_appState)
        return false;
    // The window system's window sees the key first; acting once, on the widget, is enough.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    // Only the main window and the preview panel: other windows keep their keys.
    const QWidget* window = widget->window();
    const bool ours = (m_mainWindow && window == m_mainWindow) ||
                      (m_preview && m_preview->panel() && window == m_preview->panel());
    if (!ours)
        return false;
    RepositoryState* state = m_appState->activeRepositoryState();
    if (!state)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (isRowMenuKey(key->key(), key->modifiers()) && openRowMenu(QApplication::focusWidget()))
        return true;
    const KeyRoute route = routeListKey(key->key(), key->modifiers(), context());
    if (route.action == KeyRoute::Action::PassOn)
        return false;
    perform(route, *state, activeView());
    return true;
}

void ListKeyHandler::perform(const KeyRoute& route, RepositoryState& state, RepositoryView* view) {
    switch (route.action) {
    case KeyRoute::Action::PassOn:
        return;
    case KeyRoute::Action::Move:
        if (route.list == ListTarget::Files)
            moveFiles(state, view, route.motion, route.extending);
        else
            moveCommits(state, view, route.motion, route.extending);
        return;
    case KeyRoute::Action::TogglePreview:
        if (m_preview) {
            const std::optional<FileChange> file = state.selectedFile();
            m_preview->toggle(file ? file->path : QString(), state.repoPath());
        }
        return;
    case KeyRoute::Action::OpenDiff:
        // The blame area takes the diff's place; opening the diff puts it back.
        if (state.showBlameView())
            state.closeBlameView();
        focusDetailWhenShown(state, view);
        return;
    case KeyRoute::Action::ClosePreview:
        if (m_preview)
            m_preview->hide();
        return;
    case KeyRoute::Action::Stage:
    case KeyRoute::Action::Unstage: {
        // The selection's files on the side the key moves them from.
        const bool staging = route.action == KeyRoute::Action::Stage;
        QList<FileChange> files;
        for (const FileChange& file : state.selectedFilesList()) {
            if (file.isStaged != staging && file.status != ChangeStatus::Unmodified)
                files.append(file);
        }
        if (files.isEmpty())
            return;
        if (staging)
            state.stageFiles(files);
        else
            state.unstageFiles(files);
        return;
    }
    case KeyRoute::Action::NextPane:
        focusPane(view, 1);
        return;
    case KeyRoute::Action::PreviousPane:
        focusPane(view, -1);
        return;
    }
}

void ListKeyHandler::focusDetailWhenShown(RepositoryState& state, RepositoryView* view) {
    if (QWidget* target = detailFocusTarget(view)) {
        target->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!state.isLoadingDiff() || !view)
        return;
    // Enter pressed while the diff still loads: it takes the keyboard once it is there.
    // Only while the keyboard is still where Enter was pressed: a diff that arrives after the
    // user moved on must not take the keyboard from under later keys.
    auto connection = std::make_shared<QMetaObject::Connection>();
    QPointer<RepositoryView> guard(view);
    QPointer<QWidget> pressedIn(QApplication::focusWidget());
    const std::optional<FileChange> pressedFor = state.selectedFile();
    *connection = connect(&state, &RepositoryState::isLoadingDiffChanged, view,
                          [connection, guard, pressedIn, pressedFor, &state] {
                              if (state.isLoadingDiff())
                                  return;
                              QObject::disconnect(*connection);
                              if (!pressedIn || QApplication::focusWidget() != pressedIn ||
                                  state.selectedFile() != pressedFor)
                                  return;
                              if (QWidget* target = guard ? detailFocusTarget(guard) : nullptr)
                                  target->setFocus(Qt::OtherFocusReason);
                          });
}

void ListKeyHandler::moveFiles(RepositoryState& state, RepositoryView* view, ListMotion motion,
                               bool extending) {
    if (motion == ListMotion::Previous) {
        state.selectPreviousFile(extending);
    } else if (motion == ListMotion::Next) {
        state.selectNextFile(extending);
    } else {
        const QList<FileChange> files = state.allDisplayFiles();
        const int current = int(indexOfFile(files, state.selectedFile()));
        const int target =
            motionTarget(motion, current, int(files.size()), pageRows(fileList(view), current));
        if (target < 0)
            return;
        // Shift extends from the anchor as a Shift-click does; without it the row is clicked.
        state.selectFile(files[target], false, extending);
    }
    revealSelectedFile(view, state);
}

void ListKeyHandler::moveCommits(RepositoryState& state, RepositoryView* view, ListMotion motion,
                                 bool extending) {
    if (motion == ListMotion::Previous) {
        state.selectPreviousCommit(extending);
    } else if (motion == ListMotion::Next) {
        state.selectNextCommit(extending);
    } else {
        const QList<GitCommit> commits = state.commits();
        const int current = int(indexOfCommit(commits, state.selectedCommit()));
        const int target =
            motionTarget(motion, current, int(commits.size()), pageRows(commitList(view), current));
        if (target < 0)
            return;
        state.selectCommit(commits[target], false, extending);
    }
    revealSelectedCommit(view, state);
}

void ListKeyHandler::focusPane(RepositoryView* view, int step) {
    if (!view)
        return;
    const std::array<QWidget*, 3> panes{fileList(view), commitList(view), detailFocusTarget(view)};
    QWidget* focus = QApplication::focusWidget();
    int current = -1;
    for (int i = 0; i < int(panes.size()); ++i) {
        if (within(panes[i], focus) || (i == 0 && within(fileLists(view), focus)) ||
            (i == 2 && within(shownDetail(view), focus)))
            current = i;
    }
    const int count = int(panes.size());
    for (int offset = 1; offset <= count; ++offset) {
        QWidget* next = panes[((current + step * offset) % count + count) % count];
        if (next && next->isVisible() && next->isEnabled()) {
            next->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

} // namespace tolvane
