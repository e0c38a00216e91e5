#include "auxiliary/FileInfoWindowController.h"

#include "auxiliary/FileInfoView.h"
#include "auxiliary/fileFacts.h"
#include "ui/common/windowFrame.h"

#include <QApplication>
#include <QEvent>
#include <QSettings>
#include <QThreadPool>
#include <QVBoxLayout>
#include <QWidget>
#include <QtConcurrent>

namespace tolvane {
namespace {

QSettings store() {
    return QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"));
}

const QString unreadableDigest = QStringLiteral("—");

} // namespace

FileInfoWindowController::FileInfoWindowController(QObject* parent) : QObject(parent) {
    // The application waits for the worker threads before it destroys this controller; a digest
    // of a large file must not hold the quit up. The window goes while the application is whole.
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, [this] {
            cancelHashing();
            if (m_window && m_window->isVisible())
                saveGeometry();
            delete m_window;
        });
}

FileInfoWindowController::~FileInfoWindowController() {
    cancelHashing();
    if (m_window) {
        if (m_window->isVisible())
            saveGeometry();
        delete m_window;
    }
}

FileInfoView* FileInfoWindowController::view() const {
    return m_view;
}

FileInfoWindowController& FileInfoWindowController::instance() {
    static QPointer<FileInfoWindowController> controller;
    if (!controller)
        controller = new FileInfoWindowController(qApp);
    return *controller;
}

void FileInfoWindowController::showInfo(const FileChange& file, const QString& repoPath) {
    load(file.path, repoPath);
    if (!m_window)
        createWindow();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    setIsVisible(true);
}

void FileInfoWindowController::followSelection(const std::optional<FileChange>& file,
                                               const QString& repoPath) {
    if (!isVisible() || !file)
        return;
    load(file->path, repoPath);
}

void FileInfoWindowController::load(const QString& relativePath, const QString& repoPath) {
    m_currentRepoPath = repoPath;
    cancelHashing();
    const quint64 generation = ++m_generation;
    const std::optional<FileInfo> info = readFileInfo(repoPath, relativePath);
    setFileInfo(info);
    setSha256(std::nullopt);
    if (!info)
        return;
    const std::optional<QByteArray> contents = contentPath(repoPath, relativePath);
    if (!contents) {
        setSha256(unreadableDigest);
        return;
    }
    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_cancelHashing = cancel;
    const QByteArray path = *contents;
    QtConcurrent::run(QThreadPool::globalInstance(), [path, cancel] {
        return sha256OfFile(path, cancel.get());
    }).then(this, [this, generation](const std::optional<QString>& digest) {
        // A later file (or a closed window's next show) has taken over.
        if (generation != m_generation)
            return;
        m_cancelHashing.reset();
        setSha256(digest.value_or(unreadableDigest));
    });
}

void FileInfoWindowController::cancelHashing() {
    if (m_cancelHashing)
        m_cancelHashing->store(true);
    m_cancelHashing.reset();
}

void FileInfoWindowController::createWindow() {
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(QStringLiteral("fileInfoWindow"));
    window->setWindowTitle(QStringLiteral("Get Info"));
    // The main window alone decides when the program quits.
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setMinimumSize(minimumWidth, minimumHeight);
    m_view = new FileInfoView(*this, window);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    window->resize(defaultWidth, defaultHeight);
    restoreWindowFrame(window, store().value(QLatin1String(autosaveName)).toByteArray());
    window->installEventFilter(this);
    m_window = window;
}

bool FileInfoWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Hide) {
        saveGeometry();
        // Nothing follows the selection until the next "Get Info"; a digest still being computed
        // is dropped.
        cancelHashing();
        ++m_generation;
        setIsVisible(false);
    }
    return QObject::eventFilter(watched, event);
}

void FileInfoWindowController::saveGeometry() {
    if (m_window)
        store().setValue(QLatin1String(autosaveName), m_window->saveGeometry());
}

} // namespace tolvane
