#pragma once

#include <QWidget>

class QLabel;
class QStackedWidget;
class QToolButton;

namespace tolvane {

class LogListModel;
class LogListView;
class LogStore;

// The content of the activity-log window: the entries (or the empty state), a divider and a
// footer with the entry count and "Clear". Follows the store live and keeps the newest entry in
// view whenever the number of entries changes.
class LogWindowView : public QWidget {
    Q_OBJECT
public:
    explicit LogWindowView(QWidget* parent = nullptr);
    LogWindowView(LogStore& store, QWidget* parent);

    LogListView* listView() const { return m_list; }
    LogListModel* model() const { return m_model; }

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void updateSymbol();

    LogStore& m_store;
    LogListModel* m_model = nullptr;
    LogListView* m_list = nullptr;
    QStackedWidget* m_content = nullptr;
    QLabel* m_emptySymbol = nullptr;
    QLabel* m_count = nullptr;
    QToolButton* m_clear = nullptr;
    int m_shownCount = -1;
    bool m_scrollPending = false;
};

} // namespace tolvane
