#pragma once

#include <QToolButton>

namespace tolvane {

// A tool button with a small count badge after its label ("Pull ②"), drawn inside the button so
// that it moves and hides with it.
class BadgeButton : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;

    // Empty: no badge.
    void setBadge(const QString& text);
    const QString& badge() const { return m_badge; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont badgeFont() const;
    QSize badgeSize() const;

    QString m_badge;
};

} // namespace tolvane
