#pragma once

#include <QWidget>

namespace tolvane {

// A plain container painted with the bar background, for the tab bar, toolbar, sidebar and
// status bar.
class BarWidget : public QWidget {
    Q_OBJECT
public:
    explicit BarWidget(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A one-pixel divider line, horizontal or vertical, in the divider colour.
class DividerLine : public QWidget {
    Q_OBJECT
public:
    explicit DividerLine(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tolvane
