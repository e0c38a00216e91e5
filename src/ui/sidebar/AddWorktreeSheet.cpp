#include "ui/sidebar/AddWorktreeSheet.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

AddWorktreeSheet::AddWorktreeSheet(QWidget* parent)
    : QDialog(parent), m_folder(new QLineEdit(this)),
      m_createNew(new QCheckBox(QStringLiteral("Create new branch"), this)),
      m_branch(new QLineEdit(this)), m_cancel(new QPushButton(QStringLiteral("Cancel"), this)),
      m_add(new QPushButton(QStringLiteral("Add"), this)) {
    setObjectName(QStringLiteral("addWorktreeSheet"));
    setWindowTitle(QStringLiteral("Add Worktree"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(340);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(10);

    auto* headline = new QLabel(QStringLiteral("Add Worktree"), this);
    headline->setObjectName(QStringLiteral("addWorktreeHeadline"));
    QFont font = headline->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() + 1);
    headline->setFont(font);
    layout->addWidget(headline);

    m_folder->setObjectName(QStringLiteral("worktreeFolderField"));
    m_folder->setPlaceholderText(QStringLiteral("Folder name"));
    layout->addWidget(m_folder);
    m_createNew->setObjectName(QStringLiteral("createNewBranchCheck"));
    layout->addWidget(m_createNew);
    m_branch->setObjectName(QStringLiteral("worktreeBranchField"));
    layout->addWidget(m_branch);
    updatePlaceholder();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancel->setObjectName(QStringLiteral("addWorktreeCancelButton"));
    m_cancel->setAutoDefault(false);
    m_add->setObjectName(QStringLiteral("addWorktreeAddButton"));
    m_add->setDefault(true);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_add);
    layout->addSpacing(4);
    layout->addLayout(buttons);

    connect(m_createNew, &QCheckBox::toggled, this, &AddWorktreeSheet::updatePlaceholder);
    connect(m_add, &QPushButton::clicked, this, &AddWorktreeSheet::addRequested);
    connect(m_cancel, &QPushButton::clicked, this, &AddWorktreeSheet::cancelRequested);
    // Escape and the window's close button count as Cancel; the owner decides when to hide.
    connect(this, &QDialog::rejected, this, &AddWorktreeSheet::cancelRequested);
}

QString AddWorktreeSheet::folderName() const {
    return m_folder->text();
}

QString AddWorktreeSheet::branchName() const {
    return m_branch->text();
}

bool AddWorktreeSheet::createNewBranch() const {
    return m_createNew->isChecked();
}

void AddWorktreeSheet::clearFields() {
    m_folder->clear();
    m_branch->clear();
}

void AddWorktreeSheet::updatePlaceholder() {
    m_branch->setPlaceholderText(m_createNew->isChecked() ? QStringLiteral("New branch name")
                                                          : QStringLiteral("Existing branch"));
}

} // namespace tolvane
