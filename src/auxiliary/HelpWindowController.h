#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>
#include <functional>

namespace tolvane {

// Owns the one help window: created at the first show, hidden (never destroyed) when closed, its
// frame remembered between launches under "HelpWindow". Pages come from the book compiled into
// the program, else from a book beside the executable, else a "Help Not Found" page is shown.
// Web links open in the default browser; every other link is followed inside the window.
class HelpWindowController : public QObject {
    Q_OBJECT
public:
    // `resourceFolder` and `executableFolder` say where the book is looked for; empty values mean
    // the compiled-in book and the running program's folder.
    explicit HelpWindowController(QString resourceFolder = {}, QString executableFolder = {},
                                  QObject* parent = nullptr);
    ~HelpWindowController() override;

    // The application's instance, created on first use and owned by the application object.
    static HelpWindowController& instance();

    // Creates the window on first use, loads `page` ("index.html"), then raises and focuses it.
    void show(const QString& page);

    // Receives the web links the user clicks; the desktop's default browser unless replaced.
    void setUrlOpener(std::function<void(const QUrl&)> opener) { m_openUrl = std::move(opener); }

    QWidget* window() const { return m_window; }
    QTextBrowser* browser() const { return m_browser; }

    static constexpr auto autosaveName = "HelpWindow";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createWindow();
    void loadPage(const QString& page);
    void followLink(const QUrl& link);
    void applyLinkColors();
    void saveGeometry();

    QString m_resourceFolder;
    QString m_executableFolder;
    std::function<void(const QUrl&)> m_openUrl;
    QPointer<QWidget> m_window;
    QPointer<QTextBrowser> m_browser;
};

} // namespace tolvane
