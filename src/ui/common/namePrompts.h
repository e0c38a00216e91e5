#pragma once

#include "state/RepositoryState.h"
#include "ui/common/NameDialog.h"

#include <QDate>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace tolvane {

// Asks for a name, showing `typed` again after a rejected attempt; none when cancelled. Views
// take these as callbacks so that tests answer without a dialog.
using BranchNamePrompt = std::function<std::optional<QString>(const QString& typed)>;
using TagPrompt = std::function<std::optional<TagInput>(const TagInput& typed)>;
// Shows a warning with one "OK" button and waits until it is dismissed.
using WarningAlert = std::function<void(const QString& title, const QString& text)>;

// Asks until the answer is a valid branch name, warning after each one that is not; the answer
// as typed, or none when cancelled or left empty.
std::optional<QString> askValidBranchName(const BranchNamePrompt& prompt,
                                          const WarningAlert& warning, QString typed = {});

BranchNamePrompt dialogBranchNamePrompt(QWidget* owner);
// The branch name dialog under another headline (renaming, branching at a commit).
BranchNamePrompt dialogBranchNamePrompt(QWidget* owner, const QString& title,
                                        const QString& message,
                                        const QString& acceptText = QStringLiteral("Create"));
// Asks for a day; none when cancelled.
using DatePrompt = std::function<std::optional<QDate>()>;
DatePrompt dialogDatePrompt(QWidget* owner);
// The state's new-file and new-folder prompt, answered in a name dialog.
NamePromptCallback dialogNamePrompt(QWidget* owner);
TagPrompt dialogTagPrompt(QWidget* owner);
WarningAlert dialogWarningAlert(QWidget* owner);
// The state's question for the commit author git is missing, answered in an identity dialog.
IdentityPromptCallback dialogIdentityPrompt(QWidget* owner);

} // namespace tolvane
