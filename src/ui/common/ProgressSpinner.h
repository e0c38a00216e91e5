#pragma once

#include <QTimer>
#include <QWidget>

namespace tolvane {

// A small spinning progress indicator that always keeps its 16 × 16 space: when it is not
// spinning it is simply not drawn, so the toolbar around it never shifts.
class ProgressSpinner : public QWidget {
    Q_OBJECT
public:
    explicit ProgressSpinner(QWidget* parent = nullptr);

    void setSpinning(bool spinning);
    bool isSpinning() const { return m_spinning; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_timer;
    int m_step = 0;
    bool m_spinning = false;
};

} // namespace tolvane
