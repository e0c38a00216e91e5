#pragma once

#include <QWidget>

namespace tolvane {

// The floating preview window: a tool window above the main window that does not take the
// keyboard when it appears, so the lists keep it. Space or Escape inside it hides it.
class PreviewPanel : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPanel(QWidget* parent = nullptr);

    // Replaces what the panel shows (the previous content is deleted).
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* m_content = nullptr;
};

} // namespace tolvane
