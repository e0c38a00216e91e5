#include "ui/diff/DiffView.h"

#include "state/RepositoryState.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/keyboardFocus.h"
#include "ui/common/placeholderPage.h"
#include "ui/diff/CommitFileDelegate.h"
#include "ui/diff/CommitFilesModel.h"
#include "ui/diff/ConflictView.h"
#include "ui/diff/DiffHeaderView.h"
#include "ui/diff/HunkDiffView.h"
#include "ui/diff/ImprovedDiffContentView.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {

DiffView::DiffView(RepositoryState* state, QWidget* parent) : QWidget(parent), m_state(state) {
    setObjectName(QStringLiteral("diffView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_header = new DiffHeaderView(state, this);
    layout->addWidget(m_header);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    layout->addWidget(divider);

    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages, 1);

    m_loadingPage = new QWidget(m_pages);
    m_loadingPage->setObjectName(QStringLiteral("diffLoading"));
    {
        auto* box = new QHBoxLayout(m_loadingPage);
        auto* spinner = new QProgressBar(m_loadingPage);
        spinner->setRange(0, 0);
        spinner->setTextVisible(false);
        spinner->setFixedSize(60, 8);
        box->addStretch(1);
        box->addWidget(spinner);
        box->addWidget(new QLabel(QStringLiteral("Loading diff..."), m_loadingPage));
        box->addStretch(1);
    }
    m_pages->addWidget(m_loadingPage);

    m_selectedPage = new QWidget(m_pages);
    auto* selected = new QVBoxLayout(m_selectedPage);
    selected->setContentsMargins(0, 0, 0, 0);
    selected->setSpacing(0);
    m_commitFilesSection = new QWidget(m_selectedPage);
    m_commitFilesSection->setObjectName(QStringLiteral("commitFilesSection"));
    {
        auto* section = new QVBoxLayout(m_commitFilesSection);
        section->setContentsMargins(6, 4, 6, 4);
        section->setSpacing(2);
        m_commitFilesToggle = new QToolButton(m_commitFilesSection);
        m_commitFilesToggle->setObjectName(QStringLiteral("commitFilesToggle"));
        m_commitFilesToggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        m_commitFilesToggle->setAutoRaise(true);
        m_commitFilesToggle->setIconSize(QSize(10, 10));
        section->addWidget(m_commitFilesToggle, 0, Qt::AlignLeft);
        m_commitFilesModel = new CommitFilesModel(this);
        m_commitFilesList = new QListView(m_commitFilesSection);
        m_commitFilesList->setObjectName(QStringLiteral("commitFilesList"));
        m_commitFilesList->setAccessibleName(tr("Changed files"));
        m_commitFilesList->setModel(m_commitFilesModel);
        m_commitFilesList->setItemDelegate(new CommitFileDelegate(m_commitFilesList));
        m_commitFilesList->setUniformItemSizes(true);
        m_commitFilesList->setFrameShape(QFrame::NoFrame);
        m_commitFilesList->setSelectionMode(QAbstractItemView::NoSelection);
        section->addWidget(m_commitFilesList);
        m_commitFilesList->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(m_commitFilesList, &QWidget::customContextMenuRequested, this,
                [this, state](const QPoint& at) {
                    const QModelIndex index = m_commitFilesList->indexAt(at);
                    if (!index.isValid())
                        return;
                    const QString path = index.data(CommitFilesModel::PathRole).toString();
                    QMenu menu(this);
                    menu.addAction(QStringLiteral("Show History"), this,
                                   [state, path] { state->showFileHistory(path); });
                    menu.exec(m_commitFilesList->viewport()->mapToGlobal(at));
                });
        connect(m_commitFilesList, &QListView::clicked, this,
                [this](const QModelIndex& index) { scrollToCommitFile(index.row()); });
        auto* line = new QFrame(m_commitFilesSection);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        section->addWidget(line);
        connect(m_commitFilesToggle, &QToolButton::clicked, this,
                [this] { setShowCommitFiles(!m_showCommitFiles); });
    }
    selected->addWidget(m_commitFilesSection);
    m_contentPages = new QStackedWidget(m_selectedPage);
    m_hunks = new HunkDiffView(state, m_contentPages);
    m_plain = new ImprovedDiffContentView(m_contentPages);
    m_noChangesPage =
        makePlaceholderPage(QStringLiteral("doc.text"), QStringLiteral("No changes to display"),
                            QStringLiteral("diffNoChanges"), m_contentPages);
    m_contentPages->addWidget(m_hunks);
    m_contentPages->addWidget(m_plain);
    m_contentPages->addWidget(m_noChangesPage);
    m_conflict = new ConflictView(state, m_contentPages);
    m_contentPages->addWidget(m_conflict);
    selected->addWidget(m_contentPages, 1);
    m_pages->addWidget(m_selectedPage);

    m_emptyPage = makePlaceholderPage(QStringLiteral("doc.text.magnifyingglass"),
                                      QStringLiteral("Select a file to view changes"),
                                      QStringLiteral("diffNothingSelected"), m_pages);
    m_pages->addWidget(m_emptyPage);

    for (auto signal :
         {&RepositoryState::isLoadingDiffChanged, &RepositoryState::selectedFileChanged,
          &RepositoryState::selectedCommitChanged, &RepositoryState::showHunkViewChanged,
          &RepositoryState::parsedDiffChanged, &RepositoryState::diffTextChanged,
          &RepositoryState::conflictFileChanged})
        connect(state, signal, this, &DiffView::updateContent);
    connect(state, &RepositoryState::commitFilesChanged, this, &DiffView::updateCommitFiles);
    connect(state, &RepositoryState::selectedCommitChanged, this, &DiffView::updateCommitFiles);
    connect(state, &RepositoryState::selectedFileChanged, this, &DiffView::updateCommitFiles);
    updateCommitFiles();
    updateContent();
}

void DiffView::setShowCommitFiles(bool show) {
    m_showCommitFiles = show;
    updateCommitFiles();
}

void DiffView::updateCommitFiles() {
    const auto& files = m_state->commitFiles();
    const bool visible =
        m_state->selectedCommit().has_value() && !m_state->selectedFile() && !files.isEmpty();
    m_commitFilesSection->setVisible(visible);
    if (!visible)
        return;
    m_commitFilesToggle->setText(QStringLiteral("Changed Files (") + QString::number(files.size()) +
                                 QLatin1Char(')'));
    m_commitFilesToggle->setIcon(QIcon(tintedSymbol(
        m_showCommitFiles ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right"),
        palette().color(QPalette::WindowText), 10, devicePixelRatioF())));
    m_commitFilesModel->setFiles(files);
    m_commitFilesList->setVisible(m_showCommitFiles);
    m_commitFilesList->setFixedHeight(
        qBound(20, int(files.size()) * CommitFileDelegate::rowHeight, 300));
}

void DiffView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The chevron is tinted for the scheme it was drawn in.
    if (event->type() == QEvent::PaletteChange && m_commitFilesToggle)
        updateCommitFiles();
}

void DiffView::scrollToCommitFile(int index) {
    const auto& files = m_state->commitFiles();
    if (index < 0 || index >= files.size())
        return;
    // The file's "diff" line names it; a name git quotes in that line is found by its place
    // instead, as both list the files in the same order.
    const QString nameEnd = QStringLiteral(" b/") + files[index].path;
    const QList<DiffLine>& lines = m_plain->lines();
    int byOrder = -1;
    int seen = 0;
    for (int row = 0; row < lines.size(); ++row) {
        const DiffLine& line = lines[row];
        if (line.type != DiffLineType::FileHeader || !line.content.startsWith(u"diff "))
            continue;
        if (line.content.endsWith(nameEnd)) {
            m_plain->scrollToRow(row);
            return;
        }
        if (seen++ == index)
            byOrder = row;
    }
    if (byOrder >= 0)
        m_plain->scrollToRow(byOrder);
}

void DiffView::updateContent() {
    Mode mode;
    const bool selected = m_state->selectedFile() || m_state->selectedCommit();
    const auto& file = m_state->selectedFile();
    const auto& conflict = m_state->conflictFile();
    // A conflicted file is resolved in its own view, never staged from git's combined diff.
    if (file && !m_state->selectedCommit() && file->status == ChangeStatus::Conflict && conflict &&
        conflict->path == file->path)
        mode = Mode::Conflict;
    else if (m_state->isLoadingDiff())
        mode = Mode::Loading;
    else if (!selected)
        mode = Mode::NothingSelected;
    else if (m_state->showHunkView() && m_state->parsedDiff())
        mode = Mode::Hunks;
    else if (!m_state->diffText().isEmpty())
        mode = Mode::Plain;
    else
        mode = Mode::NoChanges;

    QWidget* page = m_selectedPage;
    QWidget* content = nullptr;
    switch (mode) {
    case Mode::Loading:
        page = m_loadingPage;
        break;
    case Mode::NothingSelected:
        page = m_emptyPage;
        break;
    case Mode::Hunks:
        content = m_hunks;
        break;
    case Mode::Plain:
        content = m_plain;
        break;
    case Mode::NoChanges:
        content = m_noChangesPage;
        break;
    case Mode::Conflict:
        content = m_conflict;
        break;
    }
    // A focused page that is about to be hidden would hand the keyboard to the next widget of
    // the window (the tab bar); the pane holds it meanwhile and gives it back below.
    const QPointer<QWidget> focus = QApplication::focusWidget();
    const bool held = focus && (focus == this || m_pages->isAncestorOf(focus));
    const bool survives =
        focus && focus != this && page->isAncestorOf(focus) &&
        (!m_contentPages->isAncestorOf(focus) || content->isAncestorOf(focus) || content == focus);
    if (held && !survives && focus != this)
        setFocus(Qt::OtherFocusReason);

    const bool appearing = mode == Mode::Hunks && m_mode != Mode::Hunks;
    m_hunks->setActive(mode == Mode::Hunks);
    m_mode = mode;
    switch (mode) {
    case Mode::Loading:
        m_pages->setCurrentWidget(m_loadingPage);
        break;
    case Mode::NothingSelected:
        m_pages->setCurrentWidget(m_emptyPage);
        break;
    case Mode::Hunks:
        m_pages->setCurrentWidget(m_selectedPage);
        m_contentPages->setCurrentWidget(m_hunks);
        m_hunks->setParsed(*m_state->parsedDiff(), appearing);
        break;
    case Mode::Plain:
        m_pages->setCurrentWidget(m_selectedPage);
        m_contentPages->setCurrentWidget(m_plain);
        if (!m_plainLoaded || m_plainText != m_state->diffText() ||
            m_plain->file() != m_state->selectedFile()) {
            m_plainText = m_state->diffText();
            m_plainLoaded = true;
            m_plain->setContent(m_plainText, m_state->selectedFile());
        }
        break;
    case Mode::NoChanges:
        m_pages->setCurrentWidget(m_selectedPage);
        m_contentPages->setCurrentWidget(m_noChangesPage);
        break;
    case Mode::Conflict:
        m_pages->setCurrentWidget(m_selectedPage);
        m_contentPages->setCurrentWidget(m_conflict);
        break;
    }
    if (held && !survives && mode != Mode::Loading && QApplication::focusWidget() == this) {
        if (QWidget* target = firstKeyboardTarget(content ? content : page))
            target->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace tolvane
