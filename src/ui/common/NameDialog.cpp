#include "ui/common/NameDialog.h"

#include "ui/common/dialogFrame.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

namespace {

// The dialog's object name and the symbol beside its headline.
struct KindLook {
    QString objectName;
    QString symbol;
};

KindLook lookOf(NameDialog::Kind kind) {
    switch (kind) {
    case NameDialog::Kind::Branch:
        return {QStringLiteral("newBranchDialog"), QStringLiteral("arrow.triangle.branch")};
    case NameDialog::Kind::Tag:
        return {QStringLiteral("newTagDialog"), QStringLiteral("tag")};
    case NameDialog::Kind::File:
        return {QStringLiteral("newFileDialog"), QStringLiteral("doc.text")};
    case NameDialog::Kind::Folder:
        return {QStringLiteral("newFolderDialog"), QStringLiteral("folder")};
    }
    return {};
}

} // namespace

NameDialog::NameDialog(Kind kind, QWidget* parent) : QDialog(parent) {
    if (kind == Kind::Tag)
        build(kind, QStringLiteral("Create New Tag"),
              QStringLiteral("Enter a name for the tag. Optionally add a message for an annotated "
                             "tag."),
              QStringLiteral("v1.0.0"));
    else
        build(kind, QStringLiteral("Create New Branch"),
              QStringLiteral("Enter a name for the new branch:"), QStringLiteral("branch-name"));
}

NameDialog::NameDialog(Kind kind, const QString& title, const QString& message,
                       const QString& placeholder, QWidget* parent)
    : QDialog(parent) {
    build(kind, title, message, placeholder);
}

void NameDialog::build(Kind kind, const QString& title, const QString& message,
                       const QString& placeholder) {
    const bool isTag = kind == Kind::Tag;
    const KindLook look = lookOf(kind);
    setObjectName(look.objectName);
    QVBoxLayout* layout = layOutDialogFrame(this, look.symbol, title, message, 320);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("nameField"));
    m_name->setPlaceholderText(placeholder);
    if (isTag) {
        auto* accessory = new QWidget(this);
        accessory->setFixedSize(300, 70);
        auto* form = new QFormLayout(accessory);
        form->setContentsMargins(0, 0, 0, 0);
        m_name->setFixedWidth(215);
        m_message = new QLineEdit(this);
        m_message->setObjectName(QStringLiteral("messageField"));
        m_message->setPlaceholderText(QStringLiteral("Optional - for annotated tag"));
        m_message->setFixedWidth(215);
        form->addRow(QStringLiteral("Tag name:"), m_name);
        form->addRow(QStringLiteral("Message:"), m_message);
        layout->addWidget(accessory);
    } else {
        m_name->setFixedSize(kind == Kind::Branch ? 256 : 250, 24);
        layout->addWidget(m_name);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    auto* create = new QPushButton(QStringLiteral("Create"), this);
    create->setObjectName(QStringLiteral("createButton"));
    create->setDefault(true);
    m_accept = create;
    buttons->addWidget(cancel);
    buttons->addWidget(create);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(create, &QPushButton::clicked, this, &QDialog::accept);
    m_name->setFocus();
}

void NameDialog::setAcceptText(const QString& text) {
    m_accept->setText(text);
}

TagInput NameDialog::input() const {
    return {m_name->text(), m_message ? m_message->text() : QString()};
}

void NameDialog::setInput(const TagInput& input) {
    m_name->setText(input.name);
    if (m_message)
        m_message->setText(input.message);
}

} // namespace tolvane
