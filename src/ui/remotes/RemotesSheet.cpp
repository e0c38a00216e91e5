#include "ui/remotes/RemotesSheet.h"

#include "state/RemotesState.h"
#include "ui/common/ConfirmationAlert.h"
#include "ui/remotes/RemoteTableModel.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tolvane {

RemoteFieldsDialog::RemoteFieldsDialog(const QString& title, const QString& message,
                                       const QStringList& labels, const QStringList& values,
                                       const QString& acceptText, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* headline = new QLabel(title, this);
    QFont bold = headline->font();
    bold.setBold(true);
    headline->setFont(bold);
    layout->addWidget(headline);
    auto* caption = new QLabel(message, this);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    auto* form = new QFormLayout;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        auto* field = new QLineEdit(values.value(i), this);
        field->setObjectName(QStringLiteral("remoteField%1").arg(i));
        field->setMinimumWidth(360);
        form->addRow(labels[i], field);
        m_fields.append(field);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QDialogButtonBox::Cancel);
    QPushButton* accept = buttons->addButton(acceptText, QDialogButtonBox::AcceptRole);
    accept->setDefault(true);
    accept->setObjectName(QStringLiteral("remoteFieldsAccept"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // Nothing to do while a field is empty.
    auto check = [this, accept] {
        bool filled = true;
        for (QLineEdit* field : m_fields)
            filled = filled && !field->text().trimmed().isEmpty();
        accept->setEnabled(filled);
    };
    for (QLineEdit* field : m_fields)
        connect(field, &QLineEdit::textChanged, this, check);
    check();
}

QStringList RemoteFieldsDialog::values() const {
    QStringList values;
    for (QLineEdit* field : m_fields)
        values.append(field->text());
    return values;
}

RemotesSheet::RemotesSheet(RemotesState& remotes, QWidget* parent)
    : QDialog(parent), m_remotes(&remotes), m_model(new RemoteTableModel(this)),
      m_table(new QTableView(this)) {
    setObjectName(QStringLiteral("remotesSheet"));
    setWindowTitle(QStringLiteral("Remotes"));
    resize(720, 360);
    auto* layout = new QVBoxLayout(this);
    auto* headline = new QLabel(QStringLiteral("Remotes"), this);
    QFont bold = headline->font();
    bold.setBold(true);
    headline->setFont(bold);
    layout->addWidget(headline);
    auto* caption = new QLabel(
        QStringLiteral("The repositories this one fetches from and pushes to, each under a name "
                       "(\"origin\" for the one it was cloned from, \"upstream\" for a fork's "
                       "original, …)."),
        this);
    caption->setWordWrap(true);
    layout->addWidget(caption);

    m_table->setObjectName(QStringLiteral("remotesTable"));
    m_table->setAccessibleName(tr("Remotes"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideMiddle);
    layout->addWidget(m_table, 1);

    auto button = [this](const QString& text, const QString& name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* add = button(QStringLiteral("Add…"), QStringLiteral("addRemoteButton"));
    QPushButton* rename = button(QStringLiteral("Rename…"), QStringLiteral("renameRemoteButton"));
    QPushButton* edit = button(QStringLiteral("Edit Address…"), QStringLiteral("editRemoteButton"));
    QPushButton* remove = button(QStringLiteral("Remove…"), QStringLiteral("removeRemoteButton"));
    QPushButton* fetch = button(QStringLiteral("Fetch"), QStringLiteral("fetchRemoteButton"));
    QPushButton* prune = button(QStringLiteral("Prune"), QStringLiteral("pruneRemoteButton"));
    m_fetchAll = button(QStringLiteral("Fetch All"), QStringLiteral("fetchAllRemotesButton"));
    QPushButton* close = button(QStringLiteral("Close"), QStringLiteral("closeRemotesButton"));
    close->setDefault(true);
    fetch->setToolTip(QStringLiteral("Fetch from the selected remote"));
    prune->setToolTip(
        QStringLiteral("Remove the selected remote's branches that were deleted on the server"));
    m_fetchAll->setToolTip(
        QStringLiteral("Fetch from every remote and prune (fetch --all --prune)"));
    m_selectionButtons = {rename, edit, remove, fetch, prune};

    auto* editRow = new QHBoxLayout;
    for (QPushButton* b : {add, rename, edit, remove})
        editRow->addWidget(b);
    editRow->addStretch(1);
    layout->addLayout(editRow);
    auto* networkRow = new QHBoxLayout;
    for (QPushButton* b : {fetch, prune, m_fetchAll})
        networkRow->addWidget(b);
    networkRow->addStretch(1);
    networkRow->addWidget(close);
    layout->addLayout(networkRow);

    connect(add, &QPushButton::clicked, this, &RemotesSheet::showAddDialog);
    connect(rename, &QPushButton::clicked, this, &RemotesSheet::showRenameDialog);
    connect(edit, &QPushButton::clicked, this, &RemotesSheet::showEditDialog);
    connect(remove, &QPushButton::clicked, this, [this] {
        if (m_remotes && !selectedName().isEmpty())
            m_remotes->askRemoveRemote(selectedName());
    });
    connect(fetch, &QPushButton::clicked, this, [this] {
        if (m_remotes && !selectedName().isEmpty())
            m_remotes->fetchRemote(selectedName());
    });
    connect(prune, &QPushButton::clicked, this, [this] {
        if (m_remotes && !selectedName().isEmpty())
            m_remotes->pruneRemote(selectedName());
    });
    connect(m_fetchAll, &QPushButton::clicked, this, [this] {
        if (m_remotes)
            m_remotes->fetchAll();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto refill = [this] {
        const QString selected = selectedName();
        m_model->setRemotes(m_remotes->remotes());
        int row = m_model->rowCount() > 0 ? 0 : -1;
        for (int r = 0; r < m_model->rowCount(); ++r) {
            if (m_model->remoteAt(r)->name == selected)
                row = r;
        }
        if (row >= 0)
            m_table->selectRow(row);
        m_table->resizeColumnToContents(0);
        updateButtons();
    };
    connect(&remotes, &RemotesState::remotesChanged, this, refill);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RemotesSheet::updateButtons);
    refill();
    connect(&remotes, &RemotesState::showRemoveConfirmationChanged, this,
            &RemotesSheet::syncRemoveConfirmation);
    auto offerAdd = [this] {
        if (m_remotes && m_remotes->showAddRemote()) {
            m_remotes->setShowAddRemote(false);
            showAddDialog();
        }
    };
    connect(&remotes, &RemotesState::showAddRemoteChanged, this, offerAdd);
    offerAdd();
}

QDialog* RemotesSheet::openChild() const {
    return m_child;
}

QString RemotesSheet::selectedName() const {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    const GitRemote* remote = rows.isEmpty() ? nullptr : m_model->remoteAt(rows.first().row());
    return remote ? remote->name : QString();
}

void RemotesSheet::updateButtons() {
    const bool selected = !selectedName().isEmpty();
    for (QPushButton* b : m_selectionButtons)
        b->setEnabled(selected);
    m_fetchAll->setEnabled(m_model->rowCount() > 0);
}

void RemotesSheet::openFields(RemoteFieldsDialog* dialog,
                              std::function<void(const QStringList&)> accepted) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    m_child = dialog;
    connect(dialog, &QDialog::accepted, this, [dialog, accepted] { accepted(dialog->values()); });
    dialog->open();
}

void RemotesSheet::showAddDialog() {
    // A fork's original is the usual second remote.
    const bool hasOrigin = !m_remotes->remotes().isEmpty();
    auto* dialog = new RemoteFieldsDialog(
        QStringLiteral("Add Remote"),
        QStringLiteral("An address may be https://…, ssh://…, user@host:path or a folder."),
        {QStringLiteral("Name:"), QStringLiteral("Address:")},
        {hasOrigin ? QStringLiteral("upstream") : QStringLiteral("origin"), QString()},
        QStringLiteral("Add"), this);
    dialog->setObjectName(QStringLiteral("addRemoteDialog"));
    QPointer<RemotesState> remotes(m_remotes);
    openFields(dialog, [remotes](const QStringList& values) {
        if (remotes)
            remotes->addRemote(values.value(0).trimmed(), values.value(1));
    });
}

void RemotesSheet::showRenameDialog() {
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    auto* dialog = new RemoteFieldsDialog(
        QStringLiteral("Rename Remote"),
        QStringLiteral("Its remote branches and the branches that track them follow the new "
                       "name."),
        {QStringLiteral("New name:")}, {name}, QStringLiteral("Rename"), this);
    dialog->setObjectName(QStringLiteral("renameRemoteDialog"));
    QPointer<RemotesState> remotes(m_remotes);
    openFields(dialog, [remotes, name](const QStringList& values) {
        if (remotes)
            remotes->renameRemote(name, values.value(0).trimmed());
    });
}

void RemotesSheet::showEditDialog() {
    const QString name = selectedName();
    const GitRemote* remote = nullptr;
    for (int r = 0; r < m_model->rowCount(); ++r) {
        if (m_model->remoteAt(r)->name == name)
            remote = m_model->remoteAt(r);
    }
    if (!remote)
        return;
    auto* dialog = new RemoteFieldsDialog(
        QStringLiteral("Edit Address of ") + name,
        QStringLiteral("The push address is the fetch address unless you set another."),
        {QStringLiteral("Fetch address:"), QStringLiteral("Push address:")},
        {remote->fetchUrl, remote->pushUrl}, QStringLiteral("Save"), this);
    dialog->setObjectName(QStringLiteral("editRemoteDialog"));
    QPointer<RemotesState> remotes(m_remotes);
    openFields(dialog, [remotes, name](const QStringList& values) {
        if (remotes)
            remotes->editRemoteAddresses(name, values.value(0), values.value(1));
    });
}

void RemotesSheet::syncRemoveConfirmation() {
    if (!m_remotes || !m_remotes->showRemoveConfirmation())
        return;
    QPointer<RemotesState> remotes(m_remotes);
    auto describe = [remotes] {
        const QString name = remotes ? remotes->remoteToRemove() : QString();
        return ConfirmationDialog(QStringLiteral("Remove Remote \"") + name + QStringLiteral("\"?"),
                                  remotes ? remotes->removeConfirmationText() : QString(),
                                  {DialogButton(QStringLiteral("Cancel"), DialogButtonRole::Cancel),
                                   DialogButton(
                                       QStringLiteral("Remove"), DialogButtonRole::Destructive,
                                       [remotes]() -> QCoro::Task<> {
                                           if (remotes)
                                               co_await remotes->confirmRemoveRemote();
                                       },
                                       true)});
    };
    auto* alert = new ConfirmationAlert(describe, this);
    alert->setObjectName(QStringLiteral("removeRemoteAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    m_child = alert;
    connect(alert, &ConfirmationAlert::buttonChosen, alert, [alert, remotes](int index) {
        const QList<DialogButton> buttons = alert->description().buttons;
        // A chosen button is not a dismissal: only Escape and the close button decline.
        QObject::disconnect(alert, &QDialog::rejected, nullptr, nullptr);
        alert->close();
        if (index >= 0 && index < buttons.size() && buttons[index].action)
            buttons[index].action();
        else if (remotes)
            remotes->setShowRemoveConfirmation(false);
    });
    connect(alert, &QDialog::rejected, this, [remotes] {
        if (remotes)
            remotes->setShowRemoveConfirmation(false);
    });
    alert->open();
}

} // namespace tolvane
