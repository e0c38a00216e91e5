#include "ui/operations/OperationsWindow.h"

#include "app/AppState.h"
#include "state/RepositoryState.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tolvane {

namespace {

QString stateText(JournalEntryState state) {
    switch (state) {
    case JournalEntryState::Done:
        return QString();
    case JournalEntryState::Undone:
        return QStringLiteral("Undone");
    case JournalEntryState::Abandoned:
        return QStringLiteral("Undone, replaced");
    }
    return QString();
}

} // namespace

OperationsWindow::OperationsWindow(AppState& app, QWidget* parent)
    : QWidget(parent, Qt::Window), m_app(app) {
    setObjectName(QStringLiteral("operationsWindow"));
    setWindowTitle(QStringLiteral("History of Operations"));
    resize(560, 380);
    auto* layout = new QVBoxLayout(this);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("operationsRepository"));
    layout->addWidget(m_title);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("operationsList"));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Operation"), QString()});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    layout->addWidget(m_list, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_undoButton = new QPushButton(QStringLiteral("Undo to Here"), this);
    m_undoButton->setObjectName(QStringLiteral("undoToHereButton"));
    m_undoButton->setToolTip(
        QStringLiteral("Undoes the selected operation and every operation done after it"));
    buttons->addWidget(m_undoButton);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &OperationsWindow::updateButton);
    connect(m_list, &QTreeWidget::itemActivated, this, &OperationsWindow::undoToSelected);
    connect(m_undoButton, &QPushButton::clicked, this, &OperationsWindow::undoToSelected);
    connect(&m_app, &AppState::activeTabIdChanged, this,
            [this] { showState(m_app.activeRepositoryState()); });
    showState(m_app.activeRepositoryState());
}

void OperationsWindow::showState(RepositoryState* state) {
    for (const QMetaObject::Connection& connection : m_connections)
        disconnect(connection);
    m_connections.clear();
    m_state = state;
    if (state) {
        UndoJournal* journal = &state->undoJournal();
        m_connections.append(
            connect(journal, &UndoJournal::entriesChanged, this, &OperationsWindow::rebuild));
        m_connections.append(
            connect(journal, &UndoJournal::busyChanged, this, &OperationsWindow::updateButton));
    }
    rebuild();
}

void OperationsWindow::rebuild() {
    const QString selected =
        m_list->currentItem() ? m_list->currentItem()->data(0, Qt::UserRole).toString() : QString();
    m_list->clear();
    m_title->setText(m_state ? m_state->tab().name : QStringLiteral("No repository"));
    if (!m_state) {
        updateButton();
        return;
    }
    const QList<JournalEntry>& entries = m_state->undoJournal().entries();
    const QLocale locale;
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        const JournalEntry& entry = entries[i];
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, locale.toString(entry.time.toLocalTime(), QLocale::ShortFormat));
        item->setText(1, entry.description);
        item->setText(2, stateText(entry.state));
        item->setData(0, Qt::UserRole, entry.id);
        if (entry.state != JournalEntryState::Done) {
            for (int column = 0; column < 3; ++column)
                item->setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
        }
        if (entry.id == selected)
            m_list->setCurrentItem(item);
    }
    updateButton();
}

void OperationsWindow::updateButton() {
    const QTreeWidgetItem* item = m_list->currentItem();
    bool canUndo = false;
    if (m_state && item && !m_state->undoJournal().isBusy()) {
        const QString id = item->data(0, Qt::UserRole).toString();
        for (const JournalEntry& entry : m_state->undoJournal().entries())
            canUndo = canUndo || (entry.id == id && entry.state == JournalEntryState::Done);
    }
    m_undoButton->setEnabled(canUndo);
}

void OperationsWindow::undoToSelected() {
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!m_state || !item || !m_undoButton->isEnabled())
        return;
    m_state->undoJournal().undoTo(item->data(0, Qt::UserRole).toString());
}

} // namespace tolvane
