#pragma once

#include <QLabel>

namespace tolvane {

// A one-line label that elides its text to the width it is given (the full text stays in the
// tooltip), so that a long path or branch name never pushes its neighbours away.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return m_fullText; }
    // The widest the label asks for; narrower space elides.
    void setPreferredMaximumWidth(int width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateText();

    QString m_fullText;
    Qt::TextElideMode m_mode;
    int m_preferredMaximumWidth = QWIDGETSIZE_MAX;
};

} // namespace tolvane
