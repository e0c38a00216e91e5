#include "ui/operations/operationMenus.h"

#include "app/AppState.h"
#include "state/RepositoryState.h"
#include "ui/operations/OperationsWindow.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <memory>

namespace tolvane {

void addOperationMenus(QMainWindow* window, AppState& app, QMenu* edit, QMenu* windowMenu) {
    auto* undo = edit->addAction(QStringLiteral("Undo"));
    undo->setObjectName(QStringLiteral("undoOperationAction"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    auto* redo = edit->addAction(QStringLiteral("Redo"));
    redo->setObjectName(QStringLiteral("redoOperationAction"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});

    // Follows the active tab's journal: the old one's signals are cut on each switch.
    auto* follower = new QObject(window);
    auto followed = std::make_shared<QPointer<UndoJournal>>();
    const auto update = [undo, redo, &app] {
        RepositoryState* state = app.activeRepositoryState();
        const UndoJournal* journal = state ? &state->undoJournal() : nullptr;
        const QString undoTitle = journal ? journal->undoTitle() : QString();
        const QString redoTitle = journal ? journal->redoTitle() : QString();
        const bool busy = journal && journal->isBusy();
        undo->setText(undoTitle.isEmpty() ? QStringLiteral("Undo") : undoTitle);
        undo->setEnabled(!undoTitle.isEmpty() && !busy);
        redo->setText(redoTitle.isEmpty() ? QStringLiteral("Redo") : redoTitle);
        redo->setEnabled(!redoTitle.isEmpty() && !busy);
    };
    const auto follow = [follower, followed, update, &app] {
        if (*followed)
            QObject::disconnect(followed->data(), nullptr, follower, nullptr);
        RepositoryState* state = app.activeRepositoryState();
        *followed = state ? &state->undoJournal() : nullptr;
        if (*followed) {
            QObject::connect(followed->data(), &UndoJournal::entriesChanged, follower, update);
            QObject::connect(followed->data(), &UndoJournal::busyChanged, follower, update);
        }
        update();
    };
    QObject::connect(&app, &AppState::activeTabIdChanged, follower, follow);
    QObject::connect(&app, &AppState::tabsChanged, follower, follow);
    follow();

    QObject::connect(undo, &QAction::triggered, window, [&app] {
        if (RepositoryState* state = app.activeRepositoryState())
            state->undoJournal().undo();
    });
    QObject::connect(redo, &QAction::triggered, window, [&app] {
        if (RepositoryState* state = app.activeRepositoryState())
            state->undoJournal().redo();
    });

    auto* history = windowMenu->addAction(QStringLiteral("History of Operations"));
    history->setObjectName(QStringLiteral("operationsWindowAction"));
    auto shown = std::make_shared<QPointer<OperationsWindow>>();
    QObject::connect(history, &QAction::triggered, window, [window, shown, &app] {
        if (!*shown)
            *shown = new OperationsWindow(app, window);
        (*shown)->show();
        (*shown)->raise();
        (*shown)->activateWindow();
    });
}

} // namespace tolvane
