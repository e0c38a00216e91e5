#pragma once

#include "state/RepositoryTab.h"

#include <QPointer>
#include <QWidget>

class QToolButton;

namespace tolvane {

class RepositoryState;

// One entry of the tab bar, painted: the fill of the active or hovered tab, the dot, the name,
// "›" and the branch, the orange dot of uncommitted changes and the close button (active or
// hovered tab only). Clicking selects; dragging past the system's distance reports the drag to
// the bar, which does the reordering.
class TabItemView : public QWidget {
    Q_OBJECT
public:
    static constexpr int maximumNameWidth = 180;
    static constexpr int maximumBranchWidth = 150;

    TabItemView(const RepositoryTab& tab, RepositoryState* state, QWidget* parent = nullptr);

    const RepositoryTab& tab() const { return m_tab; }
    void setTab(const RepositoryTab& tab);

    void setActive(bool active);
    void setHovered(bool hovered);
    void setDragging(bool dragging);
    bool isActive() const { return m_active; }
    bool isHovered() const { return m_hovered; }
    bool isDragging() const { return m_dragging; }
    // 0.5 while dragged, 1 otherwise.
    qreal opacity() const { return m_dragging ? 0.5 : 1.0; }

    // What the entry shows, for tests and accessibility.
    QString branchText() const;
    bool showsChangesDot() const;
    QToolButton* closeButton() const { return m_close; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void selectRequested();
    void closeRequested();
    void hoverChanged(bool hovered);
    void dragStarted();
    void dragMoved(const QPoint& globalPosition);
    void dragFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Metrics {
        QFont nameFont, separatorFont, branchFont;
        QString name, branch;
        int nameWidth = 0, separatorWidth = 0, branchWidth = 0;
    };
    Metrics metrics() const;
    void updateCloseButton();
    void contentChanged();

    RepositoryTab m_tab;
    QPointer<RepositoryState> m_state;
    QToolButton* m_close = nullptr;
    bool m_active = false;
    bool m_hovered = false;
    bool m_dragging = false;
    bool m_pressed = false;
    bool m_dragReported = false;
    QPoint m_pressPosition;
};

} // namespace tolvane
