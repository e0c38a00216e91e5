#pragma once

#include <QWidget>

class QLabel;
class QListView;
class QStackedWidget;
class QToolButton;

namespace tolvane {

struct BlameGroup;
struct GitBlameLine;
class BlameGroupModel;
class ProgressSpinner;
class RepositoryState;

// Takes the place of the diff area while the state shows blame: a header with the file, its line
// count and a close button, then the loading indicator, the empty notice or the runs of lines.
class BlameView : public QWidget {
    Q_OBJECT
public:
    enum class Page { Loading, Empty, Groups };

    BlameView(RepositoryState* state, QWidget* parent);

    Page page() const;
    // The id of the group under the pointer, empty when none.
    QString hoveredGroup() const;
    BlameGroupModel* model() const { return m_model; }
    QListView* list() const { return m_list; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void syncWithState();
    void rebuildBreadcrumb();
    void scrollToLine(int line);
    // The group under `pos` in the list's viewport and the blamed line there.
    const BlameGroup* groupAt(const QPoint& pos, const GitBlameLine** line) const;
    void updateHeaderIcons();

    RepositoryState* m_state;
    BlameGroupModel* m_model;
    QLabel* m_icon;
    QLabel* m_path;
    QLabel* m_count;
    QToolButton* m_close;
    QToolButton* m_history;
    QWidget* m_breadcrumb;
    QStackedWidget* m_body;
    ProgressSpinner* m_spinner;
    QListView* m_list;
};

} // namespace tolvane
