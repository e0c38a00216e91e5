#include "ui/common/ElidedLabel.h"

#include <QEvent>

namespace tolvane {

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), m_mode(mode) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString& text) {
    if (text == m_fullText)
        return;
    m_fullText = text;
    setToolTip(text);
    updateText();
    updateGeometry();
}

void ElidedLabel::setPreferredMaximumWidth(int width) {
    m_preferredMaximumWidth = width;
    updateGeometry();
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    const int width = std::min(metrics.horizontalAdvance(m_fullText) + 2, m_preferredMaximumWidth);
    // Room for descenders such as "_" below the line.
    return {width, metrics.height() + 2};
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    return {std::min(metrics.horizontalAdvance(QStringLiteral("…")) * 3, sizeHint().width()),
            metrics.height() + 2};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    updateText();
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateText();
}

void ElidedLabel::updateText() {
    const QString shown = fontMetrics().elidedText(m_fullText, m_mode, std::max(0, width()));
    if (shown != text())
        QLabel::setText(shown);
}

} // namespace tolvane
