#pragma once

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace tolvane {

// The settings window's content: appearance, commit history, changes and committer e-mail.
// Every control is bound to its key: edits are stored at once, and changes made elsewhere show
// at once.
class SigningStatus;

class SettingsView : public QWidget {
    Q_OBJECT
public:
    explicit SettingsView(QWidget* parent = nullptr);

    static constexpr int viewWidth = 450;

    // Choices of the graph-columns picker; "Unlimited" stands for 999.
    static constexpr int unlimitedGraphColumns = 999;
    [[nodiscard]] static QList<int> graphColumnChoices();

Q_SIGNALS:
    // The preferred size changed because a conditional row appeared or disappeared.
    void contentChanged();
    // A help page ("signing") was asked for.
    void helpRequested(const QString& page);

private:
    void load();
    void onSettingChanged(const QString& key);

    QButtonGroup* m_appearance = nullptr;
    QCheckBox* m_showGraph = nullptr;
    QWidget* m_columnsRow = nullptr;
    QComboBox* m_columns = nullptr;
    QLabel* m_columnsHelp = nullptr;
    QCheckBox* m_shortenLines = nullptr;
    QCheckBox* m_showDotFiles = nullptr;
    QCheckBox* m_enforceNoreply = nullptr;
    QLineEdit* m_noreplyEmail = nullptr;
    QLabel* m_noreplyHelp = nullptr;
    SigningStatus* m_signingStatus = nullptr;

public:
    SigningStatus& signingStatus() const { return *m_signingStatus; }
};

} // namespace tolvane
