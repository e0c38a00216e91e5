#pragma once

#include "state/RemotesState.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <functional>

class QLineEdit;
class QPushButton;
class QTableView;

namespace tolvane {

class RemoteTableModel;
class ConfirmationAlert;

// A small dialog of labelled one-line fields (name, addresses) with Cancel and a default button.
class RemoteFieldsDialog : public QDialog {
    Q_OBJECT
public:
    RemoteFieldsDialog(const QString& title, const QString& message, const QStringList& labels,
                       const QStringList& values, const QString& acceptText, QWidget* parent);
    QStringList values() const;
    QLineEdit* field(int index) const { return m_fields.value(index); }

private:
    QList<QLineEdit*> m_fields;
};

// The Remotes sheet: every remote with its fetch and push address; Add, Rename, Edit Address,
// Remove (after a confirmation that says how many remote branches go), Fetch, Prune and
// Fetch All. Each button calls the remotes state; the list follows it.
class RemotesSheet : public QDialog {
    Q_OBJECT
public:
    RemotesSheet(RemotesState& remotes, QWidget* parent);

    QTableView* table() const { return m_table; }
    // The field dialog or confirmation open over the sheet, if any.
    QDialog* openChild() const;

    void showAddDialog();
    void showRenameDialog();
    void showEditDialog();

private:
    QString selectedName() const;
    void updateButtons();
    void syncRemoveConfirmation();
    void openFields(RemoteFieldsDialog* dialog, std::function<void(const QStringList&)> accepted);

    QPointer<RemotesState> m_remotes;
    RemoteTableModel* m_model;
    QTableView* m_table;
    QList<QPushButton*> m_selectionButtons;
    QPushButton* m_fetchAll = nullptr;
    QPointer<QDialog> m_child;
};

} // namespace tolvane
