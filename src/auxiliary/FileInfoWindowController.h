#pragma once

#include "auxiliary/FileInfo.h"
#include "engine/FileChange.h"
#include "state/ObservableField.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <memory>
#include <optional>

class QWidget;

namespace tolvane {

class FileInfoView;

// Owns the one "Get Info" window: created at the first showInfo, hidden (never destroyed) when
// closed, its frame remembered under "FileInfoWindow". While it is visible it follows the file
// selection (followSelection). The digest is computed on a worker thread; a newer file cancels it.
class FileInfoWindowController : public QObject {
    Q_OBJECT

    TOLVANE_FIELD(std::optional<FileInfo>, fileInfo, setFileInfo)
    // The digest of the file on display: none while it is computed, "—" when it cannot be read.
    TOLVANE_FIELD(std::optional<QString>, sha256, setSha256)
    TOLVANE_FIELD(bool, isVisible, setIsVisible)

public:
    static constexpr int defaultWidth = 380;
    static constexpr int defaultHeight = 320;
    static constexpr int minimumWidth = 320;
    static constexpr int minimumHeight = 280;
    static constexpr auto autosaveName = "FileInfoWindow";

    explicit FileInfoWindowController(QObject* parent = nullptr);
    ~FileInfoWindowController() override;

    // The application's instance, created on first use and owned by the application object.
    static FileInfoWindowController& instance();

    // Shows the facts of `file` (relative to `repoPath`), creating the window on first use and
    // bringing it to the front.
    void showInfo(const FileChange& file, const QString& repoPath);
    // The selection changed: while the window is visible, it shows the new file.
    void followSelection(const std::optional<FileChange>& file, const QString& repoPath);

    const QString& currentRepoPath() const { return m_currentRepoPath; }
    QWidget* window() const { return m_window; }
    FileInfoView* view() const;

Q_SIGNALS:
    void fileInfoChanged();
    void sha256Changed();
    void isVisibleChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load(const QString& relativePath, const QString& repoPath);
    void cancelHashing();
    void createWindow();
    void saveGeometry();

    QString m_currentRepoPath;
    QPointer<QWidget> m_window;
    QPointer<FileInfoView> m_view;
    std::shared_ptr<std::atomic_bool> m_cancelHashing;
    quint64 m_generation = 0;
};

} // namespace tolvane
