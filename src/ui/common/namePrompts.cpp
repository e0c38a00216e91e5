#include "ui/common/namePrompts.h"

#include "ui/common/IdentityDialog.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace tolvane {

BranchNamePrompt dialogBranchNamePrompt(QWidget* owner) {
    QPointer<QWidget> guard(owner);
    return [guard](const QString& typed) -> std::optional<QString> {
        NameDialog dialog(NameDialog::Kind::Branch, guard ? guard->window() : nullptr);
        dialog.setInput({typed, {}});
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.input().name;
    };
}

NamePromptCallback dialogNamePrompt(QWidget* owner) {
    QPointer<QWidget> guard(owner);
    return [guard](const NamePrompt& prompt) -> std::optional<QString> {
        NameDialog dialog(prompt.folder ? NameDialog::Kind::Folder : NameDialog::Kind::File,
                          prompt.title, prompt.message, prompt.placeholder,
                          guard ? guard->window() : nullptr);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.input().name;
    };
}

TagPrompt dialogTagPrompt(QWidget* owner) {
    QPointer<QWidget> guard(owner);
    return [guard](const TagInput& typed) -> std::optional<TagInput> {
        NameDialog dialog(NameDialog::Kind::Tag, guard ? guard->window() : nullptr);
        dialog.setInput(typed);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.input();
    };
}

WarningAlert dialogWarningAlert(QWidget* owner) {
    QPointer<QWidget> guard(owner);
    return [guard](const QString& title, const QString& text) {
        QMessageBox box(guard ? guard->window() : nullptr);
        box.setIcon(QMessageBox::Warning);
        box.setWindowModality(Qt::WindowModal);
        box.setText(title);
        box.setInformativeText(text);
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
    };
}

IdentityPromptCallback dialogIdentityPrompt(QWidget* owner) {
    QPointer<QWidget> guard(owner);
    return [guard](const GitIdentity& suggested) -> std::optional<GitIdentity> {
        IdentityDialog dialog(guard ? guard->window() : nullptr);
        dialog.setIdentity(suggested);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.identity();
    };
}

} // namespace tolvane
