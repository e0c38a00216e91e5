#include "auxiliary/HelpWindowController.h"

#include "auxiliary/helpBook.h"
#include "ui/common/viewColors.h"
#include "ui/common/windowFrame.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QSettings>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QWidget>

namespace tolvane {
namespace {

QSettings store() {
    return QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"));
}

} // namespace

HelpWindowController::HelpWindowController(QString resourceFolder, QString executableFolder,
                                           QObject* parent)
    : QObject(parent), m_resourceFolder(std::move(resourceFolder)),
      m_executableFolder(std::move(executableFolder)),
      m_openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    if (m_resourceFolder.isEmpty())
        m_resourceFolder = helpBook::resourceFolder();
    if (m_executableFolder.isEmpty())
        m_executableFolder = QCoreApplication::applicationDirPath();
}

HelpWindowController::~HelpWindowController() {
    // The application's own instance dies with the application object, after the widgets are
    // gone: its window can no longer be deleted then, and the process is ending anyway.
    if (m_window && QCoreApplication::instance()) {
        if (m_window->isVisible())
            saveGeometry();
        delete m_window;
    }
}

HelpWindowController& HelpWindowController::instance() {
    static QPointer<HelpWindowController> controller;
    if (!controller)
        controller = new HelpWindowController({}, {}, qApp);
    return *controller;
}

void HelpWindowController::show(const QString& page) {
    if (!m_window)
        createWindow();
    loadPage(page);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void HelpWindowController::createWindow() {
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(QStringLiteral("helpWindow"));
    window->setWindowTitle(QStringLiteral("Tolvane Help"));
    // The main window alone decides when the program quits.
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setMinimumSize(400, 300);

    m_browser = new QTextBrowser(window);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    // Every click goes through followLink, which decides between the window and the browser.
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    m_browser->setFrameShape(QFrame::NoFrame);
    m_browser->viewport()->setBackgroundRole(QPalette::Window);
    m_browser->document()->setDocumentMargin(16);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindowController::followLink);

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);

    window->resize(600, 500);
    restoreWindowFrame(window, store().value(QLatin1String(autosaveName)).toByteArray());
    closeOnEscape(window);
    window->installEventFilter(this);
    m_window = window;
    applyLinkColors();
}

void HelpWindowController::applyLinkColors() {
    // Links get their colour when a page is parsed, and the toolkit's own blue is too dark to read
    // on the dark window: the colour goes into the default style sheet and the page is read again.
    const QString link = ViewColors::blue(m_window->palette()).name();
    const QString style = QStringLiteral("a { color: %1; }").arg(link);
    if (m_browser->document()->defaultStyleSheet() == style)
        return;
    m_browser->document()->setDefaultStyleSheet(style);
    if (!m_browser->source().isEmpty())
        m_browser->reload();
}

void HelpWindowController::loadPage(const QString& page) {
    if (!m_browser)
        return;
    if (const auto location = helpBook::locatePage(page, m_resourceFolder, m_executableFolder))
        m_browser->setSource(*location);
    else
        m_browser->setHtml(helpBook::notFoundHtml());
}

void HelpWindowController::followLink(const QUrl& link) {
    if (!m_browser)
        return;
    const QUrl url = link.isRelative() ? m_browser->source().resolved(link) : link;
    if (helpBook::linkAction(url) == helpBook::LinkAction::OpenInBrowser) {
        if (m_openUrl)
            m_openUrl(url);
        return;
    }
    m_browser->setSource(url);
}

bool HelpWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Hide)
        saveGeometry();
    if (watched == m_window && event->type() == QEvent::PaletteChange && m_browser)
        applyLinkColors();
    return QObject::eventFilter(watched, event);
}

void HelpWindowController::saveGeometry() {
    if (m_window)
        store().setValue(QLatin1String(autosaveName), m_window->saveGeometry());
}

} // namespace tolvane
