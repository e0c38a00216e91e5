#pragma once

#include "engine/FileChange.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QCheckBox;
class QListView;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace tolvane {

class ChangesListModel;
class ConfirmationPresenter;
class FileRowDelegate;
class RepositoryState;

// The changes sidebar page: staged and unstaged files with their section buttons, selection,
// context menus and confirmations, and the commit box.
class ChangesView : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowLimitStep = 200;

    ChangesView(RepositoryState* state, QWidget* parent = nullptr);

    int unstagedFileLimit() const { return m_unstagedLimit; }
    const QList<FileChange>& stagedFiles() const { return m_staged; }
    const QList<FileChange>& unstagedFiles() const { return m_unstaged; }
    ChangesListModel* model() const { return m_model; }
    QListView* list() const { return m_list; }
    // Fills `menu` with the context menu of a row.
    void buildContextMenu(const FileChange& file, QMenu* menu);

Q_SIGNALS:
    // "Get Info" on a row; the window that owns the file-information panel answers it.
    void getInfoRequested(const tolvane::FileChange& file);

public:
protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void installRowWidgets();
    void updateCommitArea();
    void adjustCommitBoxHeight();
    void clickRow(int row, Qt::KeyboardModifiers modifiers);
    void commit();
    void addOpenWithMenu(const FileChange& file, QMenu* menu);

    RepositoryState* m_state;
    QList<FileChange> m_staged;
    QList<FileChange> m_unstaged;
    int m_unstagedLimit = rowLimitStep;
    bool m_showAllFiles = false;
    bool m_showDotFiles = false;
    QStackedWidget* m_pages;
    QWidget* m_emptyPage;
    QCheckBox* m_emptyShowAll;
    QListView* m_list;
    ChangesListModel* m_model;
    FileRowDelegate* m_delegate;
    QPlainTextEdit* m_message;
    QCheckBox* m_amend;
    QPushButton* m_commitButton;
    QProgressBar* m_commitProgress;
    ConfirmationPresenter* m_confirmations;
    QList<QPointer<QWidget>> m_rowWidgets;
};

} // namespace tolvane
