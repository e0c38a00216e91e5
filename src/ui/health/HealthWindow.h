#pragma once

#include <QPointer>
#include <QWidget>

class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tolvane {

class HealthState;
class MessageBar;
class RepositoryState;

// Repository › Health…: what git offers the repository for its size, each with one sentence,
// its figure, whether it is on, and a button that shows its exact command before running it.
class HealthWindow : public QWidget {
    Q_OBJECT
public:
    explicit HealthWindow(HealthState* state, const QString& repositoryName,
                          QWidget* parent = nullptr);

    // The one window of `repository`, made on first use, raised, and its figures read again.
    static HealthWindow* showFor(RepositoryState& repository, QWidget* parent);

protected:
    void changeEvent(QEvent* event) override;

private:
    void rebuildItems();
    void showConfirmation();
    void chooseSparseFolders();
    void updateOptimising();

    QPointer<HealthState> m_state;
    QGridLayout* m_grid = nullptr;
    QLabel* m_loading = nullptr;
    QPushButton* m_optimise = nullptr;
    QPushButton* m_cancelOptimise = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_optimiseTask = nullptr;
    MessageBar* m_messages = nullptr;
    bool m_choosingFolders = false;
};

// "File contents not downloaded yet" with a Download button, along the bottom of the diff or
// blame view while the shown query lacks a partial clone's contents.
class MissingContentsBar : public QWidget {
    Q_OBJECT
public:
    MissingContentsBar(RepositoryState* state, QWidget* over);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void place();

    QPointer<RepositoryState> m_state;
    QPushButton* m_download = nullptr;
};

} // namespace tolvane
