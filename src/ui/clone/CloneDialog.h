#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tolvane {

class CloneState;
struct CloneRequest;

// Asks for an address, where to put the clone and how to clone it, then shows git's progress
// until the clone is done (the dialog closes; the repository opens as a tab), fails (the reason
// is shown and the user may change what they asked) or is cancelled.
class CloneDialog : public QDialog {
    Q_OBJECT
public:
    using FolderChooser = std::function<std::optional<QString>(const QString& start)>;

    // `clipboardText` is offered as the address when it looks like one.
    CloneDialog(CloneState& state, const QString& clipboardText, QWidget* parent = nullptr);

    // How "Choose…" asks for the parent folder (a file dialog unless given).
    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    // What the help button opens; hidden until given.
    void setHelpHandler(std::function<void()> handler);

    CloneRequest request() const;

    void reject() override;

private:
    void addressEdited();
    void start();
    void update();
    void askForSparseFolders();

    QPointer<CloneState> m_state;
    QLineEdit* m_address;
    QLineEdit* m_parent;
    QLineEdit* m_name;
    QPushButton* m_choose;
    QCheckBox* m_submodules;
    QCheckBox* m_blobless;
    QCheckBox* m_sparse;
    QCheckBox* m_latestOnly;
    QLabel* m_shallowWarning;
    QLabel* m_progressLabel;
    QProgressBar* m_progress;
    QLabel* m_error;
    QPushButton* m_help;
    QPushButton* m_cancel;
    QPushButton* m_clone;
    FolderChooser m_chooseFolder;
    std::function<void()> m_openHelp;
    // The name follows the address until the user types one of their own.
    bool m_nameTyped = false;
    bool m_closeWhenStopped = false;
};

// Opens the clone dialog window-modal over `parent`, offering the clipboard's address.
CloneDialog* showCloneDialog(CloneState& state, QWidget* parent, std::function<void()> help);

} // namespace tolvane
