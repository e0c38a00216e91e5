#include "ui/common/namePrompts.h"

#include "engine/AppKitDialogs.h"
#include "ui/common/IdentityDialog.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
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

BranchNamePrompt dialogBranchNamePrompt(QWidget* owner, const QString& title,
                                        const QString& message, const QString& acceptText) {
    QPointer<QWidget> guard(owner);
    return [guard, title, message, acceptText](const QString& typed) -> std::optional<QString> {
        NameDialog dialog(NameDialog::Kind::Branch, title, message, QStringLiteral("branch-name"),
                          guard ? guard->window() : nullptr);
        dialog.setAcceptText(acceptText);
        dialog.setInput({typed, {}});
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.input().name;
    };
}

DatePrompt dialogDatePrompt(QWidget* owner) {
    QPointer<QWidget> guard(owner);
    return [guard]() -> std::optional<QDate> {
        QDialog dialog(guard ? guard->window() : nullptr);
        dialog.setObjectName(QStringLiteral("goToDateDialog"));
        dialog.setWindowTitle(QStringLiteral("Go to Date"));
        dialog.setWindowModality(Qt::WindowModal);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(
            new QLabel(QStringLiteral("Show the history down to the last commit made on or "
                                      "before:"),
                       &dialog));
        auto* edit = new QDateEdit(QDate::currentDate(), &dialog);
        edit->setObjectName(QStringLiteral("goToDateEdit"));
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        layout->addWidget(edit);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
        QPushButton* go = buttons->addButton(QStringLiteral("Go"), QDialogButtonBox::AcceptRole);
        go->setDefault(true);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return edit->date();
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

std::optional<QString> askValidBranchName(const BranchNamePrompt& prompt,
                                          const WarningAlert& warning, QString typed) {
    for (;;) {
        const std::optional<QString> answer = prompt(typed);
        if (!answer || answer->isEmpty())
            return std::nullopt;
        const auto problem = AppKitDialogs::validateRefName(*answer);
        if (!problem)
            return answer;
        warning(QStringLiteral("Invalid Branch Name"), *problem);
        typed = *answer;
    }
}

} // namespace tolvane
