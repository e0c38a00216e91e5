#pragma once

#include <QListView>

namespace tolvane {

class LogRowDelegate;

// The list of log rows. Rows are selected like lines of text (click, Shift-click, Ctrl-click,
// Ctrl+A) and their messages are copied whole with Ctrl+C or the context menu's "Copy".
class LogListView : public QListView {
    Q_OBJECT
public:
    explicit LogListView(QWidget* parent = nullptr);

    // The messages of the selected rows in log order, one after another.
    [[nodiscard]] QString selectedMessages() const;
    void copySelection() const;
    void setModel(QAbstractItemModel* model) override;

    LogRowDelegate* rowDelegate() const { return m_delegate; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    LogRowDelegate* m_delegate = nullptr;
};

} // namespace tolvane
