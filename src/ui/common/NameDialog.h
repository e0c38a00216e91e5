#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace tolvane {

// What the new-tag dialog hands back: the name and the message as typed.
struct TagInput {
    QString name;
    QString message;
};

// The informational dialog that asks for a name: a new branch, a tag with an optional message,
// or a new file or folder. Headline, informative text, the fields, "Create" (default) and
// "Cancel".
class NameDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Branch, Tag, File, Folder };

    // The branch and tag dialogs carry their own texts.
    NameDialog(Kind kind, QWidget* parent);
    // A file or folder dialog with the caller's headline, informative text and placeholder.
    NameDialog(Kind kind, const QString& title, const QString& message, const QString& placeholder,
               QWidget* parent);

    QLineEdit* nameField() const { return m_name; }
    // Only the tag dialog has a message field.
    QLineEdit* messageField() const { return m_message; }
    TagInput input() const;
    void setInput(const TagInput& input);
    // The default button's text, "Create" unless the dialog renames.
    void setAcceptText(const QString& text);

private:
    void build(Kind kind, const QString& title, const QString& message, const QString& placeholder);

    QLineEdit* m_name = nullptr;
    QLineEdit* m_message = nullptr;
    QPushButton* m_accept = nullptr;
};

} // namespace tolvane
