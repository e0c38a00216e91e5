#include "auxiliary/PreviewPanelController.h"

#include "auxiliary/PreviewPanel.h"
#include "auxiliary/filePreviewContent.h"
#include "engine/gitText.h"

#include <QApplication>
#include <QScreen>

namespace tolvane {

PreviewPanelController::PreviewPanelController(QObject* parent) : QObject(parent) {
    // The panel goes while the application is whole (this controller outlives it).
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, [this] { delete m_panel; });
}

PreviewPanelController::~PreviewPanelController() {
    delete m_panel;
}

PreviewPanelController& PreviewPanelController::instance() {
    static QPointer<PreviewPanelController> controller;
    if (!controller)
        controller = new PreviewPanelController(qApp);
    return *controller;
}

bool PreviewPanelController::isPanelVisible() const {
    return m_panel && m_panel->isVisible();
}

QWidget* PreviewPanelController::panel() const {
    return m_panel;
}

QWidget* PreviewPanelController::content() const {
    return m_panel ? m_panel->content() : nullptr;
}

void PreviewPanelController::show(const QString& relativePath, const QString& repoPath) {
    present(relativePath, repoPath);
}

void PreviewPanelController::update(const QString& relativePath, const QString& repoPath) {
    if (!isPanelVisible())
        return;
    const RepositoryFile file = locateRepositoryFile(repoPath, relativePath);
    // The file it already shows is left as it is.
    if (!file.exists || file.path == m_currentPath)
        return;
    present(relativePath, repoPath);
}

void PreviewPanelController::toggle(const QString& relativePath, const QString& repoPath) {
    if (isPanelVisible())
        hide();
    else if (!relativePath.isEmpty())
        show(relativePath, repoPath);
}

void PreviewPanelController::hide() {
    if (m_panel)
        m_panel->hide();
}

void PreviewPanelController::present(const QString& relativePath, const QString& repoPath) {
    const PreviewRequest request = preparePreview(repoPath, relativePath);
    if (!request.file.exists)
        return;
    const bool created = !m_panel;
    if (created) {
        m_panel = new PreviewPanel(m_parentWindow);
        m_panel->resize(defaultWidth, defaultHeight);
        const QScreen* screen =
            m_parentWindow ? m_parentWindow->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame(QPoint(), m_panel->size());
            frame.moveCenter(screen->availableGeometry().center());
            m_panel->move(frame.topLeft());
        }
    }
    m_currentPath = request.file.path;
    m_panel->setContent(createPreviewContent(request, m_panel));
    m_panel->setWindowTitle(
        displayText(relativePath.mid(relativePath.lastIndexOf(QLatin1Char('/')) + 1)));
    if (!m_panel->isVisible())
        m_panel->show();
}

} // namespace tolvane
