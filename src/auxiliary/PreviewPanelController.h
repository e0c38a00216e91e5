#pragma once

#include "auxiliary/previewDecision.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <optional>

class QWidget;

namespace tolvane {

class PreviewPanel;

// The one floating preview panel of the program. Space in the changes list shows the selected
// file; Space again (or Escape in the panel) hides it; while it is visible it follows the
// selection. What a file shows as is decided by the guards of previewDecision.h.
class PreviewPanelController : public QObject {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 600;
    static constexpr int defaultHeight = 500;

    explicit PreviewPanelController(QObject* parent = nullptr);
    ~PreviewPanelController() override;

    // The application's instance, created on first use and owned by the application object.
    static PreviewPanelController& instance();

    // The window the panel floats above; set once at start-up.
    void setParentWindow(QWidget* window) { m_parentWindow = window; }

    // Shows `relativePath` (under `repoPath`) in the panel, creating it on first use.
    void show(const QString& relativePath, const QString& repoPath);
    // The selection changed: only while the panel is visible, and not for the file it shows.
    void update(const QString& relativePath, const QString& repoPath);
    // Hides a visible panel; otherwise shows `relativePath` (nothing when it is empty).
    void toggle(const QString& relativePath, const QString& repoPath);
    void hide();

    bool isPanelVisible() const;
    QWidget* panel() const;
    // The content shown now (for tests and the panel's title).
    QWidget* content() const;
    // The joined path of the file shown, as bytes; none before the first show.
    const std::optional<QByteArray>& currentPath() const { return m_currentPath; }

private:
    void present(const QString& relativePath, const QString& repoPath);

    QPointer<QWidget> m_parentWindow;
    QPointer<PreviewPanel> m_panel;
    std::optional<QByteArray> m_currentPath;
};

} // namespace tolvane
