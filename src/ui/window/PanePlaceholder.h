#pragma once

#include <QWidget>

namespace tolvane {

// What a pane shows while no view has been plugged into it: the pane's name, quietly, and
// nothing pretending to be content.
class PanePlaceholder : public QWidget {
    Q_OBJECT
public:
    PanePlaceholder(const QString& paneName, QWidget* parent = nullptr);

    const QString& paneName() const { return m_paneName; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_paneName;
};

} // namespace tolvane
