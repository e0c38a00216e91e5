#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QListView;
class QStackedWidget;
class QToolButton;

namespace tolvane {

class CommitFilesModel;
class ConflictView;
class DiffHeaderView;
class HunkDiffView;
class ImprovedDiffContentView;
class RepositoryState;

// The diff area: the header, then the loading state, the selected file's hunks or plain diff,
// a commit's changed files and diff, or the empty states.
class DiffView : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Loading, Hunks, Plain, NoChanges, NothingSelected, Conflict };

    DiffView(RepositoryState* state, QWidget* parent = nullptr);

    Mode mode() const { return m_mode; }
    bool showCommitFiles() const { return m_showCommitFiles; }
    void setShowCommitFiles(bool show);
    HunkDiffView* hunkView() const { return m_hunks; }
    ImprovedDiffContentView* plainView() const { return m_plain; }
    DiffHeaderView* header() const { return m_header; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateContent();
    void updateCommitFiles();
    void scrollToCommitFile(int index);

    RepositoryState* m_state;
    Mode m_mode = Mode::NothingSelected;
    bool m_showCommitFiles = true;
    DiffHeaderView* m_header;
    QStackedWidget* m_pages;
    QWidget* m_loadingPage;
    QWidget* m_selectedPage;
    QWidget* m_emptyPage;
    QWidget* m_commitFilesSection;
    QToolButton* m_commitFilesToggle = nullptr;
    QListView* m_commitFilesList;
    CommitFilesModel* m_commitFilesModel;
    QStackedWidget* m_contentPages;
    HunkDiffView* m_hunks;
    ImprovedDiffContentView* m_plain;
    ConflictView* m_conflict;
    QWidget* m_noChangesPage;
    QString m_plainText; // what the plain view currently shows, to skip re-parsing
    bool m_plainLoaded = false;
};

} // namespace tolvane
