#include "ui/clone/SparseFolderDialog.h"

#include "ui/common/dialogFrame.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

SparseFolderDialog::SparseFolderDialog(const QStringList& folders, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("sparseFolderDialog"));
    setWindowTitle(QStringLiteral("Only These Folders"));
    QVBoxLayout* column = layOutDialogFrame(
        this, QStringLiteral("folder"), QStringLiteral("Choose the folders to check out"),
        folders.isEmpty()
            ? QStringLiteral("The repository has no folders at its top level; only its "
                             "top-level files will be checked out.")
            : QStringLiteral("Files at the top level are always checked out. You can add "
                             "folders later with “git sparse-checkout add”."),
        360);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("sparseFolderList"));
    for (const QString& folder : folders) {
        auto* item = new QListWidgetItem(folder, m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    m_list->setVisible(!folders.isEmpty());
    column->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Check Out"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("sparseFolderChoose"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel Clone"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("sparseFolderCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

QStringList SparseFolderDialog::chosenFolders() const {
    QStringList folders;
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->checkState() == Qt::Checked)
            folders.append(m_list->item(row)->text());
    }
    return folders;
}

} // namespace tolvane
