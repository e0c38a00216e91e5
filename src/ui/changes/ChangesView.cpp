#include "ui/changes/ChangesView.h"
#include "ui/commitmessage/CommitMessageEdit.h"
#include "ui/hooks/HookOutputPanel.h"

#include "engine/countText.h"
#include "engine/gitText.h"
#include "settings/AppSettings.h"
#include "settings/SettingsNotifier.h"
#include "state/RepositoryState.h"
#include "state/confirmationDialogs.h"
#include "ui/changes/ChangesListModel.h"
#include "ui/changes/ConflictsSection.h"
#include "ui/changes/SubmodulePointersSection.h"
#include "ui/changes/FileRowDelegate.h"
#include "ui/changes/OperationBanner.h"
#include "ui/changes/changesFiltering.h"
#include "ui/common/ConfirmationPresenter.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/keyboardFocus.h"
#include "ui/common/namePrompts.h"
#include "ui/common/placeholderPage.h"
#include "ui/common/viewColors.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace tolvane {
namespace {

constexpr int headerHeight = 30;

QPushButton* smallButton(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    QFont font = button->font();
    font.setPointSizeF(font.pointSizeF() - 1);
    button->setFont(font);
    // Compact: three of them share a narrow sidebar row.
    button->setStyleSheet(QStringLiteral("QPushButton { padding: 1px 6px; }"));
    button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    return button;
}

// Fusion draws a check box's frame a step darker than the window colour, which on a dark list
// is no colour at all; the secondary text colour in its place gives the frame contrast.
void tintCheckBox(QCheckBox* box, const QPalette& palette) {
    QPalette tinted = palette;
    if (ViewColors::isDark(palette))
        tinted.setColor(QPalette::Window, ViewColors::secondary(palette).lighter(130));
    box->setPalette(tinted);
}

QLabel* headerLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    // The count must stay readable; the buttons give way first.
    label->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    return label;
}

// One section's rows out of the shared model.
class SectionRows : public QSortFilterProxyModel {
public:
    SectionRows(ChangesListModel* model, QList<ChangesListModel::RowKind> kinds, QObject* parent)
        : QSortFilterProxyModel(parent), m_kinds(std::move(kinds)) {
        setSourceModel(model);
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        return m_kinds.contains(static_cast<const ChangesListModel*>(sourceModel())->kind(row));
    }

private:
    QList<ChangesListModel::RowKind> m_kinds;
};

// A section: its header above its own scrolling list, on the list's colour.
QWidget* sectionWidget(const QString& name, QWidget* parent) {
    auto* section = new QWidget(parent);
    section->setObjectName(name);
    section->setBackgroundRole(QPalette::Base);
    section->setAutoFillBackground(true);
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    return section;
}

} // namespace

ChangesView::ChangesView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_showAllFiles(state->showAllFiles()),
      m_showDotFiles(AppSettings::showDotFiles()) {
    setObjectName(QStringLiteral("changesView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // What git is stopped in and the files that still conflict come before everything else.
    layout->addWidget(new OperationBanner(state, this));
    layout->addWidget(new ConflictsSection(state, this));
    layout->addWidget(new SubmodulePointersSection(state, this));

    m_pages = new QStackedWidget(this);
    m_emptyPage = makePlaceholderPage(QStringLiteral("checkmark.circle"),
                                      QStringLiteral("Working tree clean"),
                                      QStringLiteral("workingTreeClean"), m_pages);
    m_emptyShowAll = new QCheckBox(QStringLiteral("Show All Files"), m_emptyPage);
    m_emptyShowAll->setObjectName(QStringLiteral("emptyShowAllFiles"));
    static_cast<QVBoxLayout*>(m_emptyPage->layout())
        ->insertWidget(3, m_emptyShowAll, 0, Qt::AlignHCenter);
    connect(m_emptyShowAll, &QCheckBox::toggled, this,
            [this](bool on) { m_state->setShowAllFiles(on); });
    m_pages->addWidget(m_emptyPage);

    m_model = new ChangesListModel(this);
    m_delegate = new FileRowDelegate(this);
    m_stagedRows = new SectionRows(m_model, {ChangesListModel::RowKind::StagedFile}, this);
    m_unstagedRows = new SectionRows(
        m_model, {ChangesListModel::RowKind::UnstagedFile, ChangesListModel::RowKind::ShowMore},
        this);
    m_sections = new QSplitter(Qt::Vertical, m_pages);
    m_sections->setObjectName(QStringLiteral("changesSections"));
    // A section never shrinks past its header.
    m_sections->setChildrenCollapsible(false);
    m_sections->setHandleWidth(5);
    m_sections->addWidget(buildStagedSection());
    m_sections->addWidget(buildUnstagedSection());
    m_sections->installEventFilter(this);
    connect(m_sections, &QSplitter::splitterMoved, this, [this] { m_userSplit = true; });
    m_pages->addWidget(m_sections);
    layout->addWidget(m_pages, 1);

    // The commit box.
    auto* commitArea = new QWidget(this);
    commitArea->setObjectName(QStringLiteral("commitArea"));
    auto* commitLayout = new QVBoxLayout(commitArea);
    commitLayout->setContentsMargins(8, 8, 8, 8);
    commitLayout->setSpacing(6);
    m_message = new CommitMessageEdit(state->commitMessageMemory(), commitArea);
    // Names from the staged diff are no misspellings.
    connect(state, &RepositoryState::changesChanged, this,
            [state] { state->commitMessageMemory().loadStagedIdentifiers(); });
    m_message->setObjectName(QStringLiteral("commitMessageEdit"));
    m_message->setAccessibleName(tr("Commit message"));
    m_message->setPlaceholderText(QStringLiteral("Commit message…"));
    m_message->setTabChangesFocus(true);
    m_message->setPlainText(state->commitMessage());
    commitLayout->addWidget(m_message);
    m_amend = new QCheckBox(QStringLiteral("Amend last commit"), commitArea);
    m_amend->setObjectName(QStringLiteral("amendCheck"));
    m_amend->setChecked(state->amendLastCommit());
    commitLayout->addWidget(m_amend);
    auto* buttonRow = new QStackedWidget(commitArea);
    m_commitButton = new QPushButton(buttonRow);
    m_commitButton->setObjectName(QStringLiteral("commitButton"));
    m_commitButton->setToolTip(QStringLiteral("Commit (Ctrl+Return)"));
    m_commitProgress = new QProgressBar(buttonRow);
    m_commitProgress->setObjectName(QStringLiteral("commitProgress"));
    m_commitProgress->setRange(0, 0);
    m_commitProgress->setTextVisible(false);
    buttonRow->addWidget(m_commitButton);
    buttonRow->addWidget(m_commitProgress);
    buttonRow->setFixedHeight(m_commitButton->sizeHint().height());
    commitLayout->addWidget(buttonRow);
    layout->addWidget(commitArea);
    layout->addWidget(new HookOutputPanel(state->hookOutput(), this));

    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &ChangesView::commit);
    }
    connect(m_commitButton, &QPushButton::clicked, this, &ChangesView::commit);
    connect(m_message, &QPlainTextEdit::textChanged, this, [this] {
        if (m_message->toPlainText() != m_state->commitMessage())
            m_state->setCommitMessage(m_message->toPlainText());
        adjustCommitBoxHeight();
    });
    connect(state, &RepositoryState::commitMessageChanged, this, [this] {
        if (m_message->toPlainText() != m_state->commitMessage())
            m_message->setPlainText(m_state->commitMessage());
        updateCommitArea();
    });
    connect(m_amend, &QCheckBox::toggled, this, [this](bool on) { m_state->setAmending(on); });
    connect(state, &RepositoryState::amendLastCommitChanged, this, [this] {
        const QSignalBlocker blocker(m_amend);
        m_amend->setChecked(m_state->amendLastCommit());
        updateCommitArea();
    });
    connect(state, &RepositoryState::isCommittingChanged, this, [this, buttonRow] {
        buttonRow->setCurrentWidget(
            m_state->isCommitting() ? static_cast<QWidget*>(m_commitProgress) : m_commitButton);
        updateCommitArea();
    });

    connect(state, &RepositoryState::changesChanged, this, &ChangesView::rebuild);
    // "All Files" is the tab's own: another tab's toggle leaves this list alone.
    connect(state, &RepositoryState::showAllFilesChanged, this, [this] {
        m_showAllFiles = m_state->showAllFiles();
        if (!m_showAllFiles)
            m_unstagedLimit = rowLimitStep;
        rebuild();
    });
    connect(state, &RepositoryState::conflictsChanged, this, &ChangesView::updateCommitArea);
    connect(state, &RepositoryState::trackedFilesChanged, this, [this] {
        if (m_showAllFiles)
            rebuild();
    });
    connect(state, &RepositoryState::selectedFileChanged, this, &ChangesView::markCurrentRow);
    connect(state, &RepositoryState::selectedFilesChanged, this, [this] {
        m_delegate->setSelectedIds(m_state->selectedFiles());
        m_stagedList->viewport()->update();
        m_unstagedList->viewport()->update();
    });
    connect(&SettingsNotifier::instance(), &SettingsNotifier::changed, this,
            [this](const QString& key) {
                if (key == QLatin1String(SettingsKey::showDotFiles)) {
                    m_showDotFiles = AppSettings::showDotFiles();
                    rebuild();
                }
            });

    m_confirmations = new ConfirmationPresenter(
        this, state,
        {{discardChangesConfirmation, QStringLiteral("discardDialog")},
         {discardAllConfirmation, QStringLiteral("discardAllDialog")},
         {discardHunkConfirmation, QStringLiteral("discardHunkDialog")},
         {deleteFileConfirmation, QStringLiteral("deleteFileDialog")},
         {amendPushedConfirmation, QStringLiteral("amendPushedAlert")},
         {markResolvedWithMarkersConfirmation, QStringLiteral("markResolvedDialog")}});

    // The prompt the state needs for a new file or folder; a caller may replace it.
    state->setNamePrompt(dialogNamePrompt(this));

    m_delegate->setSelectedIds(state->selectedFiles());
    for (QCheckBox* box : {m_emptyShowAll, m_amend})
        tintCheckBox(box, palette());
    adjustCommitBoxHeight();
    rebuild();
}

QListView* ChangesView::makeSectionList(QSortFilterProxyModel* rows, const QString& name) {
    auto* list = new QListView;
    list->setObjectName(name);
    list->setModel(rows);
    list->setItemDelegate(m_delegate);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFrameShape(QFrame::NoFrame);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->setContextMenuPolicy(Qt::DefaultContextMenu);
    // The split decides the height; an empty section shrinks to its header.
    list->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    list->viewport()->installEventFilter(this);
    return list;
}

QWidget* ChangesView::buildStagedSection() {
    QWidget* section = sectionWidget(QStringLiteral("stagedSection"), m_sections);
    auto* header = new QWidget(section);
    header->setFixedHeight(headerHeight);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(10, 2, 8, 2);
    m_stagedTitle = headerLabel(QString(), QStringLiteral("stagedHeader"), header);
    row->addWidget(m_stagedTitle);
    row->addStretch(1);
    auto* unstageAll =
        smallButton(QStringLiteral("Unstage All"), QStringLiteral("unstageAllButton"), header);
    connect(unstageAll, &QPushButton::clicked, this, [this] { m_state->unstageAll(); });
    row->addWidget(unstageAll);
    section->layout()->addWidget(header);
    m_stagedList = makeSectionList(m_stagedRows, QStringLiteral("stagedList"));
    m_stagedList->setAccessibleName(tr("Staged files"));
    section->layout()->addWidget(m_stagedList);
    return section;
}

QWidget* ChangesView::buildUnstagedSection() {
    QWidget* section = sectionWidget(QStringLiteral("unstagedSection"), m_sections);
    // Two lines: the title, then its controls, so that a narrow sidebar cuts nothing off.
    auto* header = new QWidget(section);
    header->setFixedHeight(2 * headerHeight - 4);
    auto* column = new QVBoxLayout(header);
    column->setContentsMargins(10, 2, 8, 2);
    column->setSpacing(2);
    m_unstagedTitle = headerLabel(QString(), QStringLiteral("unstagedHeader"), header);
    column->addWidget(m_unstagedTitle);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    m_allFiles = new QCheckBox(QStringLiteral("All Files"), header);
    m_allFiles->setObjectName(QStringLiteral("allFilesToggle"));
    tintCheckBox(m_allFiles, palette());
    connect(m_allFiles, &QCheckBox::toggled, this,
            [this](bool on) { m_state->setShowAllFiles(on); });
    row->addWidget(m_allFiles);
    row->addStretch(1);
    auto* discardAll =
        smallButton(QStringLiteral("Discard All"), QStringLiteral("discardAllButton"), header);
    m_discardAll = discardAll;
    connect(discardAll, &QPushButton::clicked, this, [this] { m_state->askDiscardAllChanges(); });
    row->addWidget(discardAll);
    auto* stageAll =
        smallButton(QStringLiteral("Stage All"), QStringLiteral("stageAllButton"), header);
    m_stageAll = stageAll;
    connect(stageAll, &QPushButton::clicked, this, [this] { m_state->stageAll(); });
    row->addWidget(stageAll);
    column->addLayout(row);
    section->layout()->addWidget(header);
    // With every file listed, typing narrows the list to the paths that fit.
    m_filterField = new QLineEdit(section);
    m_filterField->setObjectName(QStringLiteral("fileFilterField"));
    m_filterField->setAccessibleName(tr("Filter files"));
    m_filterField->setPlaceholderText(QStringLiteral("Filter files, e.g. src/eng/git"));
    m_filterField->setClearButtonEnabled(true);
    m_filterField->hide();
    auto* filterRow = new QHBoxLayout;
    filterRow->setContentsMargins(8, 0, 8, 4);
    filterRow->addWidget(m_filterField);
    static_cast<QVBoxLayout*>(section->layout())->addLayout(filterRow);
    connect(m_filterField, &QLineEdit::textChanged, this, [this] {
        m_unstagedLimit = rowLimitStep;
        rebuild();
    });
    // Says what the list leaves out, so that the count never hides changes the user cannot see.
    m_hiddenRow = new QWidget(section);
    m_hiddenRow->setObjectName(QStringLiteral("hiddenFilesRow"));
    auto* hiddenLine = new QHBoxLayout(m_hiddenRow);
    hiddenLine->setContentsMargins(10, 4, 8, 4);
    hiddenLine->setSpacing(6);
    m_hiddenLabel = new QLabel(m_hiddenRow);
    m_hiddenLabel->setObjectName(QStringLiteral("hiddenFilesLabel"));
    m_hiddenLabel->setForegroundRole(QPalette::PlaceholderText);
    hiddenLine->addWidget(m_hiddenLabel);
    auto* show = new QPushButton(QStringLiteral("Show"), m_hiddenRow);
    show->setObjectName(QStringLiteral("showHiddenFilesButton"));
    show->setFlat(true);
    show->setCursor(Qt::PointingHandCursor);
    show->setToolTip(QStringLiteral("List dot files and files inside dot folders"));
    show->setStyleSheet(
        QStringLiteral("QPushButton { border: none; padding: 0; color: palette(link); }"));
    connect(show, &QPushButton::clicked, this, [] { AppSettings::setShowDotFiles(true); });
    hiddenLine->addWidget(show);
    hiddenLine->addStretch(1);
    m_hiddenRow->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_hiddenRow->hide();
    section->layout()->addWidget(m_hiddenRow);
    m_unstagedList = makeSectionList(m_unstagedRows, QStringLiteral("unstagedList"));
    m_unstagedList->setAccessibleName(tr("Unstaged files"));
    section->layout()->addWidget(m_unstagedList);
    return section;
}

void ChangesView::rebuild() {
    m_staged = stagedRows(m_state->changes());
    m_unstaged =
        unstagedRows(m_state->changes(), m_state->trackedFiles(), m_showDotFiles, m_showAllFiles);
    m_filterField->setVisible(m_showAllFiles);
    const QString filter = m_showAllFiles ? m_filterField->text() : QString();
    qsizetype changedUnstaged = 0;
    qsizetype filteredOutChanges = 0;
    {
        QList<FileChange> kept;
        for (const FileChange& file : std::as_const(m_unstaged)) {
            // Listed in a section of their own.
            if (file.status != ChangeStatus::Unmodified &&
                m_state->submodules().isSubmodule(file.path))
                continue;
            const bool fits = pathMatchesFilter(file.path, filter);
            if (file.status != ChangeStatus::Unmodified)
                (fits ? changedUnstaged : filteredOutChanges) += 1;
            if (fits)
                kept.append(file);
        }
        m_unstaged = std::move(kept);
    }
    const bool empty = m_state->changes().isEmpty() && !m_showAllFiles;
    for (QCheckBox* box : {m_emptyShowAll, m_allFiles}) {
        const QSignalBlocker block(box);
        box->setChecked(m_showAllFiles);
    }
    showPageKeepingFocus(m_pages, empty ? m_emptyPage : static_cast<QWidget*>(m_sections));
    const int stagedScroll = m_stagedList->verticalScrollBar()->value();
    const int unstagedScroll = m_unstagedList->verticalScrollBar()->value();
    // The old button goes at once, so that nothing finds a stale one by name.
    delete m_showMore.data();
    m_model->setRows(m_staged, m_unstaged, m_unstagedLimit);
    m_stagedTitle->setText(QStringLiteral("Staged (") + QString::number(m_staged.size()) +
                           QLatin1Char(')'));
    // The count is of changes; unchanged files listed by "All Files" are counted apart.
    QString unstagedTitle =
        QStringLiteral("Unstaged (") + QString::number(changedUnstaged) + QLatin1Char(')');
    if (m_showAllFiles)
        unstagedTitle += QStringLiteral(" · ") + countText(m_unstaged.size() - changedUnstaged,
                                                           QStringLiteral("unchanged file"),
                                                           QStringLiteral("unchanged files"));
    m_unstagedTitle->setText(unstagedTitle);
    // While the filter hides changes, the bulk buttons would act on files out of sight.
    for (QPushButton* bulk : {m_stageAll, m_discardAll}) {
        bulk->setEnabled(filteredOutChanges == 0);
        bulk->setToolTip(filteredOutChanges == 0
                             ? QString()
                             : QStringLiteral("Clear the filter to act on every changed file"));
    }
    const qsizetype hidden = hiddenUnstagedCount(m_state->changes(), m_showDotFiles);
    m_hiddenLabel->setText(hiddenFilesText(hidden));
    m_hiddenRow->setVisible(hidden > 0);
    installShowMore();
    m_stagedList->verticalScrollBar()->setValue(stagedScroll);
    m_unstagedList->verticalScrollBar()->setValue(unstagedScroll);
    // A split the user dragged holds until the sections' contents change size.
    const std::pair<qsizetype, int> split{m_staged.size(), m_model->rowCount()};
    if (split != m_splitFor) {
        m_splitFor = split;
        m_userSplit = false;
    }
    balanceSections();
    updateCommitArea();
    markCurrentRow();
}

void ChangesView::markCurrentRow() {
    // The lists' current row follows the selected file: the keyboard's focus mark and its row
    // menu are drawn there. The selection itself stays the state's.
    const std::optional<FileChange> selected = m_state->selectedFile();
    for (QListView* list : {m_stagedList, m_unstagedList}) {
        QModelIndex current;
        if (selected && (list == m_stagedList) == selected->isStaged) {
            for (int row = 0; row < m_model->rowCount(); ++row) {
                const FileChange* file = m_model->file(row);
                if (file && file->id() == selected->id() && listOfRow(row) == list) {
                    current = viewIndex(row);
                    break;
                }
            }
        }
        if (list->currentIndex() == current)
            continue;
        // Marking is not moving: the list stays where it is scrolled (the keys reveal the row).
        const int scroll = list->verticalScrollBar()->value();
        list->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        list->verticalScrollBar()->setValue(scroll);
    }
}

void ChangesView::installShowMore() {
    const int row = m_model->rowOf(ChangesListModel::RowKind::ShowMore);
    if (row < 0)
        return;
    auto* holder = new QWidget;
    auto* box = new QHBoxLayout(holder);
    box->setContentsMargins(10, 2, 10, 2);
    auto* more = smallButton(QStringLiteral("Show More (") +
                                 QString::number(m_unstaged.size() - m_model->unstagedShown()) +
                                 QStringLiteral(" remaining)"),
                             QStringLiteral("showMoreButton"), holder);
    // Queued: the rebuild replaces this very button.
    connect(
        more, &QPushButton::clicked, this,
        [this] {
            m_unstagedLimit += rowLimitStep;
            rebuild();
        },
        Qt::QueuedConnection);
    box->addWidget(more);
    box->addStretch(1);
    m_unstagedList->setIndexWidget(viewIndex(row), holder);
    m_showMore = holder;
}

void ChangesView::balanceSections() {
    if (m_userSplit)
        return;
    const int total = m_sections->height() - m_sections->handleWidth();
    if (total <= 0)
        return;
    // What each section needs to show all its rows: the header, then the rows.
    const int showMore = m_model->rowOf(ChangesListModel::RowKind::ShowMore) >= 0
                             ? FileRowDelegate::showMoreRowHeight
                             : 0;
    int staged = m_sections->widget(0)->minimumSizeHint().height() +
                 int(m_staged.size()) * FileRowDelegate::fileRowHeight;
    int unstaged = m_sections->widget(1)->minimumSizeHint().height() +
                   m_model->unstagedShown() * FileRowDelegate::fileRowHeight + showMore;
    // A section that needs less than half keeps just that; the other takes the rest.
    const int half = total / 2;
    if (staged + unstaged <= total || staged <= half) {
        unstaged = total - staged;
    } else if (unstaged <= half) {
        staged = total - unstaged;
    } else {
        staged = half;
        unstaged = total - half;
    }
    m_sections->setSizes({staged, unstaged});
}

QListView* ChangesView::list() const {
    if (const std::optional<FileChange> file = m_state->selectedFile())
        return file->isStaged ? m_stagedList : m_unstagedList;
    return m_staged.isEmpty() ? m_unstagedList : m_stagedList;
}

QWidget* ChangesView::fileLists() const {
    return m_sections;
}

QListView* ChangesView::listOfRow(int row) const {
    if (row < 0 || row >= m_model->rowCount())
        return nullptr;
    return m_model->kind(row) == ChangesListModel::RowKind::StagedFile ? m_stagedList
                                                                       : m_unstagedList;
}

QModelIndex ChangesView::viewIndex(int row) const {
    QListView* list = listOfRow(row);
    if (!list)
        return {};
    return static_cast<QSortFilterProxyModel*>(list->model())->mapFromSource(m_model->index(row));
}

void ChangesView::revealFile(const QString& id) {
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const FileChange* file = m_model->file(row);
        if (!file || file->id() != id)
            continue;
        QListView* target = listOfRow(row);
        target->scrollTo(viewIndex(row));
        QListView* other = target == m_stagedList ? m_unstagedList : m_stagedList;
        if (QWidget* focus = QApplication::focusWidget();
            focus && (focus == other || other->isAncestorOf(focus)))
            target->setFocus(Qt::OtherFocusReason);
        return;
    }
}

int ChangesView::rowOfPoint(QListView* list, const QPoint& point) const {
    const QModelIndex index = list->indexAt(point);
    if (!index.isValid())
        return -1;
    return static_cast<QSortFilterProxyModel*>(list->model())->mapToSource(index).row();
}

void ChangesView::updateCommitArea() {
    // Amending may change only the message, so it needs nothing staged.
    const bool amend = m_state->amendLastCommit();
    m_commitButton->setText(
        amend ? QStringLiteral("Amend Commit")
              : QStringLiteral("Commit (") +
                    countText(m_staged.size(), QStringLiteral("file"), QStringLiteral("files")) +
                    QLatin1Char(')'));
    // git refuses a commit while files are unmerged; the button says why before it is pressed.
    const qsizetype conflicts = m_state->conflicts().size();
    m_commitButton->setEnabled((amend || !m_staged.isEmpty()) &&
                               !m_state->commitMessage().trimmed().isEmpty() &&
                               !m_state->isCommitting() && conflicts == 0);
    m_commitButton->setToolTip(
        conflicts == 0
            ? QStringLiteral("Commit (Ctrl+Return)")
            : QStringLiteral("Resolve the conflicts first: ") + QString::number(conflicts) +
                  (conflicts == 1 ? QStringLiteral(" file is") : QStringLiteral(" files are")) +
                  QStringLiteral(" still conflicted"));
}

void ChangesView::adjustCommitBoxHeight() {
    // Grows with its text from three to six lines.
    const int lines = qBound(3, int(m_message->document()->size().height()), 6);
    const QFontMetrics fm(m_message->font());
    const int margins = int(m_message->document()->documentMargin() * 2) +
                        m_message->frameWidth() * 2 + m_message->contentsMargins().top() +
                        m_message->contentsMargins().bottom();
    m_message->setFixedHeight(lines * fm.lineSpacing() + margins);
}

void ChangesView::commit() {
    if (!m_commitButton->isEnabled() || !isVisible())
        return;
    m_state->commitChanges();
}

void ChangesView::clickRow(int row, Qt::KeyboardModifiers modifiers) {
    const FileChange* file = m_model->file(row);
    if (!file)
        return;
    // A click ends text editing first, so the commit box gives up the keyboard.
    if (QWidget* focus = QApplication::focusWidget();
        focus && (qobject_cast<QPlainTextEdit*>(focus) || qobject_cast<QLineEdit*>(focus)))
        focus->clearFocus();
    const FileChange chosen = *file;
    m_state->selectFile(chosen, modifiers.testFlag(Qt::ControlModifier),
                        modifiers.testFlag(Qt::ShiftModifier));
}

void ChangesView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Buttons with a style sheet keep the palette they were polished with; polished again they
    // take the new one instead of staying light on a dark list.
    if (event->type() == QEvent::PaletteChange) {
        for (QCheckBox* box : findChildren<QCheckBox*>())
            tintCheckBox(box, palette());
        for (QPushButton* button : findChildren<QPushButton*>()) {
            if (!button->styleSheet().isEmpty())
                button->setStyleSheet(button->styleSheet());
        }
    }
}

bool ChangesView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_sections && event->type() == QEvent::Resize) {
        balanceSections();
        return false;
    }
    QListView* list = watched == m_stagedList->viewport()     ? m_stagedList
                      : watched == m_unstagedList->viewport() ? m_unstagedList
                                                              : nullptr;
    if (list) {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                const int row = rowOfPoint(list, mouse->position().toPoint());
                if (row >= 0)
                    clickRow(row, mouse->modifiers());
                // A double click moves the file to the other side, as its row's first menu item.
                const FileChange* file = row >= 0 ? m_model->file(row) : nullptr;
                if (event->type() == QEvent::MouseButtonDblClick && file &&
                    file->status != ChangeStatus::Unmodified) {
                    const FileChange target = *file;
                    if (target.isStaged)
                        m_state->unstageFile(target);
                    else
                        m_state->stageFile(target);
                }
                return true;
            }
        } else if (event->type() == QEvent::ContextMenu) {
            auto* menuEvent = static_cast<QContextMenuEvent*>(event);
            const int row = rowOfPoint(list, menuEvent->pos());
            if (const FileChange* file = row >= 0 ? m_model->file(row) : nullptr) {
                QMenu menu(this);
                buildContextMenu(*file, &menu);
                menu.exec(menuEvent->globalPos());
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ChangesView::addOpenWithMenu(const FileChange& file, QMenu* menu) {
    QMenu* openWith = menu->addMenu(QStringLiteral("Open With"));
    openWith->setObjectName(QStringLiteral("openWithMenu"));
    const std::optional<DesktopApp> defaultApp = m_state->defaultApplicationForFile(file);
    if (defaultApp) {
        const QString appId = defaultApp->id;
        openWith->addAction(defaultApp->name + QStringLiteral(" (Default)"), this,
                            [this, file, appId] { m_state->openFileWith(file, appId); });
        openWith->addSeparator();
    }
    for (const DesktopApp& app : m_state->applicationsForFile(file)) {
        if (defaultApp && app.id == defaultApp->id)
            continue;
        const QString appId = app.id;
        openWith->addAction(app.name, this,
                            [this, file, appId] { m_state->openFileWith(file, appId); });
    }
    openWith->addSeparator();
    openWith->addAction(QStringLiteral("Find in Software Center…"), this,
                        [] { QDesktopServices::openUrl(QUrl(QStringLiteral("appstream:"))); });
    openWith->addAction(QStringLiteral("Other…"), this,
                        [this, file] { m_state->openFileWithChooser(file); });
}

void ChangesView::buildContextMenu(const FileChange& file, QMenu* menu) {
    RepositoryState* state = m_state;
    const QList<FileChange> selection = state->selectedFilesList();
    const qsizetype selected = state->selectedFiles().size();
    const bool multi = selected >= 2;
    const QString count = QString::number(selected);
    const bool unmodified = file.status == ChangeStatus::Unmodified;

    menu->addAction(QStringLiteral("Open"), this, [state, file] { state->openFile(file); });
    addOpenWithMenu(file, menu);
    menu->addSeparator();
    if (multi)
        menu->addAction(QStringLiteral("Show ") + count + QStringLiteral(" Files in File Manager"),
                        this, [state] { state->revealSelectedInFinder(); });
    else
        menu->addAction(QStringLiteral("Show in File Manager"), this,
                        [state, file] { state->revealInFinder(file); });

    if (!unmodified) {
        menu->addSeparator();
        QList<FileChange> sameSide;
        for (const FileChange& f : selection) {
            if (f.isStaged == file.isStaged)
                sameSide.append(f);
        }
        const QString n = QString::number(sameSide.size());
        QAction* move = nullptr;
        if (file.isStaged) {
            if (sameSide.size() >= 2)
                move = menu->addAction(QStringLiteral("Unstage ") + n + QStringLiteral(" Files"),
                                       this, [state, sameSide] { state->unstageFiles(sameSide); });
            else
                move = menu->addAction(QStringLiteral("Unstage"), this,
                                       [state, file] { state->unstageFile(file); });
        } else {
            if (sameSide.size() >= 2)
                move = menu->addAction(QStringLiteral("Stage ") + n + QStringLiteral(" Files"),
                                       this, [state, sameSide] { state->stageFiles(sameSide); });
            else
                move = menu->addAction(QStringLiteral("Stage"), this,
                                       [state, file] { state->stageFile(file); });
        }
        // The key that does the same in the list, shown so that it can be learnt here.
        move->setShortcut(QKeySequence(file.isStaged ? Qt::Key_U : Qt::Key_S));
        move->setShortcutVisibleInContextMenu(true);
    }

    const bool blame = unmodified || (file.status != ChangeStatus::Added &&
                                      file.status != ChangeStatus::Untracked);
    const bool discard = !unmodified && !file.isStaged && file.status != ChangeStatus::Untracked;
    if (blame || discard)
        menu->addSeparator();
    if (blame) {
        const QString path = file.path;
        menu->addAction(QStringLiteral("Show Blame"), this,
                        [state, path] { state->loadBlame(path); });
        menu->addAction(QStringLiteral("Show History"), this,
                        [state, path] { state->showFileHistory(path); });
    }
    if (discard) {
        int tracked = 0;
        for (const FileChange& f : selection)
            tracked += !f.isStaged && f.status != ChangeStatus::Untracked &&
                       f.status != ChangeStatus::Unmodified;
        QAction* action =
            tracked >= 2 ? menu->addAction(QStringLiteral("Discard Changes in ") +
                                               QString::number(tracked) + QStringLiteral(" Files"),
                                           this, [state] { state->askDiscardSelectedChanges(); })
                         : menu->addAction(QStringLiteral("Discard Changes"), this,
                                           [state, file] { state->askDiscardChanges(file); });
        action->setProperty("destructive", true);
    }

    menu->addSeparator();
    menu->addAction(QStringLiteral("Get Info"), this,
                    [this, file] { Q_EMIT getInfoRequested(file); });

    if (!unmodified) {
        menu->addSeparator();
        if (multi)
            menu->addAction(QStringLiteral("Add ") + count + QStringLiteral(" Files to .gitignore"),
                            this, [state] { state->addSelectedToGitignore(); });
        else
            menu->addAction(QStringLiteral("Add to .gitignore"), this,
                            [state, file] { state->addToGitignore(file); });
        if (!multi && !file.isStaged) {
            if (const auto pattern = extensionIgnorePattern(file.path))
                menu->addAction(QStringLiteral("Ignore all ") + displayText(*pattern) +
                                    QStringLiteral(" files"),
                                this, [state, pattern] { state->addPatternToGitignore(*pattern); });
            if (const auto folder = folderIgnorePattern(file.path))
                menu->addAction(QStringLiteral("Ignore folder '") + displayText(*folder) +
                                    QLatin1Char('\''),
                                this, [state, folder] { state->addPatternToGitignore(*folder); });
        }
    }

    menu->addSeparator();
    menu->addAction(QStringLiteral("New File…"), this,
                    [state, file] { state->createNewFile(file); });
    menu->addAction(QStringLiteral("New Folder…"), this,
                    [state, file] { state->createNewFolder(file); });

    if (!unmodified) {
        menu->addSeparator();
        QAction* remove =
            multi ? menu->addAction(QStringLiteral("Delete ") + count + QStringLiteral(" Files"),
                                    this, [state] { state->askDeleteSelectedFiles(); })
                  : menu->addAction(QStringLiteral("Delete File"), this,
                                    [state, file] { state->askDeleteFile(file); });
        remove->setProperty("destructive", true);
    }
}

} // namespace tolvane
