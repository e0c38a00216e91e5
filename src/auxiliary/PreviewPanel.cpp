#include "auxiliary/PreviewPanel.h"

#include <QKeyEvent>
#include <QVBoxLayout>

namespace tolvane {

PreviewPanel::PreviewPanel(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("previewPanel"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Only the main window decides when the program quits.
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void PreviewPanel::setContent(QWidget* content) {
    if (content == m_content)
        return;
    delete m_content;
    m_content = content;
    if (content) {
        content->setParent(this);
        layout()->addWidget(content);
    }
}

void PreviewPanel::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Escape) &&
        modifiers == Qt::NoModifier) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tolvane
