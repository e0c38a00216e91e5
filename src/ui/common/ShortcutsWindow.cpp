#include "ui/common/ShortcutsWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tolvane {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("tolvane::ShortcutsWindow", text);
}

QString withoutMnemonic(QString text) {
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return text.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void collect(const QMenu* menu, const QString& group, QList<ShortcutEntry>& entries) {
    for (QAction* action : menu->actions()) {
        if (action->menu()) {
            collect(action->menu(), group, entries);
            continue;
        }
        if (action->isSeparator() || action->shortcuts().isEmpty())
            continue;
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts())
            keys << key.toString(QKeySequence::NativeText);
        entries.append({group, withoutMnemonic(action->text()), keys.join(tr(" or "))});
    }
}

} // namespace

QList<ShortcutEntry> viewShortcuts() {
    const QString lists = tr("Lists and panes");
    const QString diff = tr("Diff");
    return {
        {lists, tr("Previous or next row (with Shift, extend the selection)"), tr("Up, Down")},
        {lists, tr("First or last row"), tr("Home, End")},
        {lists, tr("A page up or down"), tr("Page Up, Page Down")},
        {lists, tr("Show the diff of the selection"), tr("Enter")},
        {lists, tr("Preview the selected file"), tr("Space")},
        {lists, tr("Close the preview"), tr("Escape")},
        {lists, tr("Stage the selected files"), tr("S")},
        {lists, tr("Unstage the selected files"), tr("U")},
        {lists, tr("Open the menu of the selected row"), tr("Menu or Shift+F10")},
        {lists, tr("Next or previous pane"), tr("Tab, Shift+Tab")},
        {diff, tr("Copy the selected lines"),
         QKeySequence(QKeySequence::Copy).toString(QKeySequence::NativeText)},
    };
}

QList<ShortcutEntry> menuShortcuts(const QWidget* window) {
    QList<ShortcutEntry> entries;
    const QMenuBar* bar = window ? window->findChild<QMenuBar*>() : nullptr;
    if (!bar)
        return entries;
    for (QAction* top : bar->actions()) {
        if (top->menu())
            collect(top->menu(), withoutMnemonic(top->text()), entries);
    }
    return entries;
}

ShortcutsWindow::ShortcutsWindow(const QList<ShortcutEntry>& entries, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("shortcutsWindow"));
    setWindowTitle(tr("Keyboard Shortcuts"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("shortcutsList"));
    m_list->setAccessibleName(tr("Keyboard shortcuts"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({tr("Action"), tr("Keys")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    QTreeWidgetItem* group = nullptr;
    for (const ShortcutEntry& entry : entries) {
        if (!group || group->text(0) != entry.group) {
            group = new QTreeWidgetItem(m_list, {entry.group});
            QFont bold = group->font(0);
            bold.setBold(true);
            group->setFont(0, bold);
            group->setFirstColumnSpanned(true);
            group->setFlags(Qt::ItemIsEnabled);
            group->setExpanded(true);
        }
        auto* item = new QTreeWidgetItem(group, {entry.action, entry.keys});
        // A screen reader reads the row as one sentence.
        item->setData(0, Qt::AccessibleTextRole, entry.action + QStringLiteral(": ") + entry.keys);
    }
    m_list->expandAll();
    // What a key does is read whole; the keys take the rest.
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(760, 560);
    m_list->setFocus();
}

void addShortcutsItem(QMenu* menu, QWidget* window) {
    auto* action = menu->addAction(tr("Keyboard Shortcuts"));
    action->setObjectName(QStringLiteral("keyboardShortcutsAction"));
    // Ctrl+? already opens the help; F1 stays free for the desktop's own help key.
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1));
    QPointer<QWidget> guard(window);
    QObject::connect(action, &QAction::triggered, window, [guard] {
        if (!guard)
            return;
        if (auto* open = guard->findChild<ShortcutsWindow*>()) {
            open->raise();
            open->activateWindow();
            return;
        }
        auto* shown = new ShortcutsWindow(menuShortcuts(guard) + viewShortcuts(), guard);
        shown->setAttribute(Qt::WA_DeleteOnClose);
        shown->show();
    });
}

} // namespace tolvane
