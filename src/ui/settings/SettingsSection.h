#pragma once

#include <QFrame>

class QLabel;
class QVBoxLayout;

namespace tolvane {

// One section of a grouped settings form: a heading above a rounded panel that holds the rows.
class SettingsSection : public QWidget {
    Q_OBJECT
public:
    SettingsSection(const QString& title, QWidget* parent = nullptr);

    // Adds a row (or a help text) below the previous ones.
    void addRow(QWidget* row);
    QLabel* titleLabel() const { return m_title; }

private:
    QLabel* m_title = nullptr;
    QFrame* m_panel = nullptr;
    QVBoxLayout* m_rows = nullptr;
};

} // namespace tolvane
