#pragma once

#include "engine/FileChange.h"

#include <QList>
#include <QModelIndex>
#include <QPointer>
#include <QWidget>

#include <utility>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QSplitter;
class QStackedWidget;

namespace tolvane {

class ChangesListModel;
class ConfirmationPresenter;
class FileRowDelegate;
class RepositoryState;

// The changes sidebar page: staged and unstaged files with their section buttons, selection,
// context menus and confirmations, and the commit box. The two sections are separate lists over
// one model, sharing the height so that both headers stay in sight however long either is.
class ChangesView : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowLimitStep = 200;

    ChangesView(RepositoryState* state, QWidget* parent = nullptr);

    int unstagedFileLimit() const { return m_unstagedLimit; }
    const QList<FileChange>& stagedFiles() const { return m_staged; }
    const QList<FileChange>& unstagedFiles() const { return m_unstaged; }
    ChangesListModel* model() const { return m_model; }
    // The list the keyboard works in: the section of the selected file, else the first with rows.
    QListView* list() const;
    QListView* stagedList() const { return m_stagedList; }
    QListView* unstagedList() const { return m_unstagedList; }
    // Both sections; focus anywhere inside is focus in the file list.
    QWidget* fileLists() const;
    // The list that shows a row of model(), and that row's index in it.
    QListView* listOfRow(int row) const;
    QModelIndex viewIndex(int row) const;
    // Scrolls the file's row into sight, and takes the keyboard along when it moved between the
    // sections.
    void revealFile(const QString& id);
    // Fills `menu` with the context menu of a row.
    void buildContextMenu(const FileChange& file, QMenu* menu);

Q_SIGNALS:
    // "Get Info" on a row; the window that owns the file-information panel answers it.
    void getInfoRequested(const tolvane::FileChange& file);

public:
protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuild();
    QWidget* buildStagedSection();
    QWidget* buildUnstagedSection();
    QListView* makeSectionList(QSortFilterProxyModel* proxy, const QString& name);
    void installShowMore();
    void balanceSections();
    void markCurrentRow();
    int rowOfPoint(QListView* list, const QPoint& point) const;
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
    QSplitter* m_sections;
    QListView* m_stagedList;
    QListView* m_unstagedList;
    QSortFilterProxyModel* m_stagedRows;
    QSortFilterProxyModel* m_unstagedRows;
    QLabel* m_stagedTitle;
    QLabel* m_unstagedTitle;
    QCheckBox* m_allFiles;
    QLineEdit* m_filterField;
    QPushButton* m_stageAll;
    QPushButton* m_discardAll;
    QWidget* m_hiddenRow;
    QLabel* m_hiddenLabel;
    // Set once the user drags the boundary; row counts changing hand the split back to us.
    bool m_userSplit = false;
    std::pair<qsizetype, int> m_splitFor{-1, -1};
    ChangesListModel* m_model;
    FileRowDelegate* m_delegate;
    QPlainTextEdit* m_message;
    QCheckBox* m_amend;
    QPushButton* m_commitButton;
    QProgressBar* m_commitProgress;
    ConfirmationPresenter* m_confirmations;
    QPointer<QWidget> m_showMore;
};

} // namespace tolvane
