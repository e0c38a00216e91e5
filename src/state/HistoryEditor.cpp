#include "state/HistoryEditor.h"
#include "state/UndoJournal.h"

#include "engine/GitRunnerConfig.h"
#include "state/RepositoryState.h"
#include "state/gitStep.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tolvane {
namespace {

constexpr QChar fieldSeparator = QChar(0x1f);
constexpr QChar recordSeparator = QChar(0x1e);

bool writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

// Parses `log --format=%H%x1f%P%x1f%s%x1f%B%x1e`.
QList<PlanRow> parsePlanRows(const QString& output) {
    QList<PlanRow> rows;
    for (const QString& record : output.split(recordSeparator)) {
        const QStringList fields = record.trimmed().split(fieldSeparator);
        if (fields.size() < 4)
            continue;
        rows.append(PlanRow{.hash = fields[0],
                            .subject = fields[2],
                            .message = fields[3].trimmed(),
                            .isMerge = fields[1].split(u' ', Qt::SkipEmptyParts).size() > 1});
    }
    return rows;
}

QStringList rangeArguments(const QString& base) {
    return base.isEmpty() ? QStringList{QStringLiteral("HEAD")}
                          : QStringList{base + QStringLiteral("..HEAD")};
}

} // namespace

HistoryEditor::HistoryEditor(RepositoryState* state) : QObject(state), m_state(state) {
    // However the edit ended (continued to its end, aborted, or finished in a terminal), its
    // plan must not write the messages of a later rebase.
    connect(state, &RepositoryState::operationChanged, this, [this] {
        const OperationKind kind = m_state->operation().kind;
        if (m_lastOperation == OperationKind::Rebase && kind == OperationKind::None) {
            removeFinishedPlan();
            if (std::optional<QList<PlanRow>> plan = std::exchange(m_stoppedPlan, std::nullopt))
                followAfterStop(std::move(*plan));
        }
        m_lastOperation = kind;
    });
}

QCoro::Task<> HistoryEditor::followAfterStop(QList<PlanRow> plan) {
    QPointer<HistoryEditor> self(this);
    const GitService git = m_state->activeGit();
    const QStringList headArgs{QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                               QStringLiteral("HEAD^{commit}")};
    const StepOutcome head = co_await outcomeOf(git.run(headArgs));
    // An aborted edit left the commits, and the selection, as they were.
    if (!self || head.failure || head.output == m_head)
        co_return;
    co_await followSelection(git, plan);
}

QCoro::Task<> HistoryEditor::removeFinishedPlan() {
    QPointer<HistoryEditor> self(this);
    const GitService git = m_state->activeGit();
    const QStringList gitDirArgs{QStringLiteral("rev-parse"), QStringLiteral("--absolute-git-dir")};
    const StepOutcome gitDir = co_await outcomeOf(git.run(gitDirArgs));
    if (!self || gitDir.failure || m_isRunning)
        co_return;
    if (QFileInfo::exists(QDir(gitDir.output).filePath(QStringLiteral("rebase-merge"))))
        co_return;
    const QString folder = historyEditFolder(gitDir.output);
    if (QFileInfo::exists(folder) && !QDir(folder).removeRecursively())
        m_state->log(QStringLiteral("Could not remove the finished plan in ") + folder,
                     LogLevel::Error);
}

QString HistoryEditor::editorProgram() {
    const QString configured = GitRunnerConfig::current().helperExecutable;
    return configured.isEmpty() ? QCoreApplication::applicationFilePath() : configured;
}

QCoro::Task<> HistoryEditor::begin(GitCommit commit) {
    QPointer<HistoryEditor> self(this);
    const GitService git = m_state->activeGit();
    const auto refuse = [this](const QString& why) {
        setRefusal(why);
        m_state->log(QStringLiteral("Cannot edit history: ") + why, LogLevel::Error);
    };
    if (m_state->operation().kind != OperationKind::None) {
        refuse(QStringLiteral("finish or abort the operation under way first."));
        co_return;
    }
    if (m_isRunning)
        co_return;
    const QStringList gitDirArgs{QStringLiteral("rev-parse"), QStringLiteral("--absolute-git-dir")};
    const StepOutcome gitDir = co_await outcomeOf(git.run(gitDirArgs));
    const QStringList headArgs{QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                               QStringLiteral("HEAD^{commit}")};
    const StepOutcome head = co_await outcomeOf(git.run(headArgs));
    const QStringList ancestorArgs{QStringLiteral("merge-base"), QStringLiteral("--is-ancestor"),
                                   commit.id, QStringLiteral("HEAD")};
    const StepOutcome ancestor = co_await outcomeOf(git.run(ancestorArgs));
    const QStringList parentArgs{QStringLiteral("rev-list"), QStringLiteral("--parents"),
                                 QStringLiteral("-n1"), commit.id};
    const StepOutcome parents = co_await outcomeOf(git.run(parentArgs));
    if (!self)
        co_return;
    if (gitDir.failure || head.failure || parents.failure) {
        refuse(gitDir.failure.value_or(head.failure.value_or(parents.failure.value_or(QString()))));
        co_return;
    }
    if (ancestor.failure) {
        refuse(QStringLiteral("%1 is not on the current branch.").arg(commit.shortHash));
        co_return;
    }
    const QStringList ids = parents.output.split(u' ', Qt::SkipEmptyParts);
    const QString base = ids.value(1);
    const QStringList logArgs = QStringList{QStringLiteral("log"), QStringLiteral("--reverse"),
                                            QStringLiteral("--no-color"),
                                            QStringLiteral("--format=%H%x1f%P%x1f%s%x1f%B%x1e")} +
                                rangeArguments(base);
    const StepOutcome listed = co_await outcomeOf(git.run(logArgs));
    if (!self)
        co_return;
    if (listed.failure) {
        refuse(*listed.failure);
        co_return;
    }
    QList<PlanRow> rows = parsePlanRows(listed.output);
    if (ids.size() > 2 && !rows.isEmpty())
        rows.front().isMerge = true;
    for (const PlanRow& row : rows) {
        if (row.isMerge) {
            refuse(planProblem(rows));
            co_return;
        }
    }
    if (rows.isEmpty()) {
        refuse(QStringLiteral("there are no commits to edit."));
        co_return;
    }
    m_gitDir = gitDir.output;
    m_head = head.output;
    m_base = base;
    m_selectedId = m_state->selectedCommit() ? m_state->selectedCommit()->id : commit.id;
    m_opened = rows;
    setRefusal(QString());
    setPlaceFixupsField(false);
    setRows(rows);
    setIsEditing(true);
}

void HistoryEditor::cancel() {
    if (m_isRunning)
        return;
    setIsEditing(false);
    setShowPushedConfirmation(false);
    setRefusal(QString());
    setRows({});
}

void HistoryEditor::apply(const PlanEdit& edit) {
    setRefusal(edit.refusal);
    if (edit.refusal.isEmpty())
        setRows(edit.rows);
}

void HistoryEditor::setAction(qsizetype row, PlanAction action) {
    apply(withAction(m_rows, row, action));
}

void HistoryEditor::moveRow(qsizetype from, qsizetype to) {
    apply(movedRow(m_rows, from, to));
}

void HistoryEditor::meld(qsizetype dragged, qsizetype target, bool fixup) {
    apply(meldedInto(m_rows, dragged, target, fixup));
}

void HistoryEditor::setRewordMessage(qsizetype row, const QString& message) {
    if (row < 0 || row >= m_rows.size())
        return;
    QList<PlanRow> rows = m_rows;
    rows[row].editedMessage = message.trimmed();
    PlanEdit edit = withAction(rows, row, PlanAction::Reword);
    if (edit.refusal.isEmpty())
        edit.rows[row].editedMessage = message.trimmed();
    apply(edit);
}

void HistoryEditor::setChainMessage(qsizetype row, const QString& message) {
    if (row < 0 || row >= m_rows.size())
        return;
    QList<PlanRow> rows = m_rows;
    rows[chainStart(rows, row)].chainMessage = message.trimmed();
    apply(PlanEdit{.rows = rows, .refusal = {}});
}

void HistoryEditor::setPlaceFixups(bool place) {
    if (place == m_placeFixups)
        return;
    setPlaceFixupsField(place);
    apply(PlanEdit{.rows = place ? autosquashed(m_rows) : m_opened, .refusal = {}});
}

QCoro::Task<> HistoryEditor::start() {
    co_await run(false);
}

QCoro::Task<> HistoryEditor::confirmStartPushed() {
    setShowPushedConfirmation(false);
    co_await run(true);
}

QCoro::Task<> HistoryEditor::run(bool confirmed) {
    if (!m_isEditing || m_isRunning)
        co_return;
    QPointer<HistoryEditor> self(this);
    const QString problem = planProblem(m_rows);
    if (!problem.isEmpty()) {
        setRefusal(problem);
        m_state->log(QStringLiteral("Cannot edit history: ") + problem, LogLevel::Error);
        co_return;
    }
    setIsRunning(true);
    const GitService git = m_state->activeGit();
    const QStringList headArgs{QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                               QStringLiteral("HEAD^{commit}")};
    const StepOutcome head = co_await outcomeOf(git.run(headArgs));
    if (!self)
        co_return;
    if (head.failure || head.output != m_head) {
        setIsRunning(false);
        const QString why = QStringLiteral("the branch moved since the plan was opened; open it "
                                           "again.");
        setRefusal(why);
        m_state->log(QStringLiteral("Cannot edit history: ") + why, LogLevel::Error);
        co_return;
    }
    if (!confirmed) {
        // Rewriting commits a remote already holds changes them under whoever pulled them.
        const QStringList pushedArgs{
            QStringLiteral("for-each-ref"),        QStringLiteral("--count=1"),
            QStringLiteral("--contains"),          m_rows.front().hash,
            QStringLiteral("--format=%(refname)"), QStringLiteral("refs/remotes/")};
        const StepOutcome remotes = co_await outcomeOf(git.run(pushedArgs));
        if (!self)
            co_return;
        if (remotes.failure || !remotes.output.isEmpty()) {
            setIsRunning(false);
            setShowPushedConfirmation(true);
            co_return;
        }
    }
    const QString todoPath = historyEditTodoPath(m_gitDir);
    const QString messagesPath = historyEditMessagesPath(m_gitDir);
    const bool written = QDir().mkpath(historyEditFolder(m_gitDir)) &&
                         writeFile(todoPath, todoText(m_rows).toUtf8()) &&
                         writeFile(messagesPath, encodePlannedMessages(plannedMessages(m_rows)));
    if (!written) {
        setIsRunning(false);
        m_state->log(QStringLiteral("Cannot edit history: the plan cannot be written to ") +
                         historyEditFolder(m_gitDir),
                     LogLevel::Error);
        co_return;
    }
    const QString program = editorProgram();
    const ExtraEnvironment editors{
        {QStringLiteral("GIT_SEQUENCE_EDITOR"), editorCommand(program, writeTodoFlag, todoPath)},
        {QStringLiteral("GIT_EDITOR"), editorCommand(program, writeMessageFlag, messagesPath)}};
    QStringList args{QStringLiteral("rebase"), QStringLiteral("--interactive")};
    if (m_base.isEmpty())
        args.append(QStringLiteral("--root"));
    else
        args.append(m_base);
    const QString gitDir = m_gitDir;
    // Recorded only when the edit finishes in one go; one that stops is recorded by its Continue.
    const QString undoTicketName = QStringLiteral("Edit History");
    UndoJournal::Ticket undoTicket = co_await m_state->undoJournal().begin(undoTicketName);
    if (!self)
        co_return;
    const StepOutcome outcome = co_await outcomeOf(git.run(args, false, editors));
    if (!self)
        co_return;
    const QList<PlanRow> plan = m_rows;
    setIsRunning(false);
    setIsEditing(false);
    setRows({});
    const QString branch = m_state->currentBranch();
    if (outcome.failure) {
        const bool stopped =
            co_await m_state->reportStopOnConflicts(QStringLiteral("History edit"), false);
        if (!self)
            co_return;
        if (m_state->operation().kind == OperationKind::Rebase)
            m_stoppedPlan = plan;
        if (stopped)
            co_return;
        // A hook or a message git refused may leave the edit stopped without conflicts: the
        // banner offers Continue and Abort. When git did not start at all (uncommitted changes),
        // the plan stays open to try again.
        m_state->log(QStringLiteral("History edit failed: ") + *outcome.failure, LogLevel::Error);
        if (m_state->operation().kind == OperationKind::None && !m_isEditing) {
            setRows(plan);
            setIsEditing(true);
        }
        co_return;
    }
    co_await m_state->refresh();
    if (!self)
        co_return;
    if (m_state->operation().kind == OperationKind::Rebase) {
        m_stoppedPlan = plan;
        m_state->log(QStringLiteral("History edit stopped to edit a commit: change it, then "
                                    "Continue"),
                     LogLevel::Info);
        co_return;
    }
    QDir(historyEditFolder(gitDir)).removeRecursively();
    co_await UndoJournal::finish(std::move(undoTicket));
    if (!self)
        co_return;
    m_state->announceSuccess(QStringLiteral("Edited the history of ") + branch);
    co_await followSelection(git, plan);
}

QCoro::Task<> HistoryEditor::followSelection(GitService git, QList<PlanRow> plan) {
    QPointer<HistoryEditor> self(this);
    QString id = m_selectedId;
    const auto selected = std::find_if(plan.cbegin(), plan.cend(),
                                       [&id](const PlanRow& row) { return row.hash == id; });
    if (selected != plan.cend()) {
        // The commits the plan made, oldest first, stand one for each chain it kept.
        const std::optional<qsizetype> result = resultRow(plan, selected - plan.cbegin());
        const QStringList listArgs =
            QStringList{QStringLiteral("rev-list"), QStringLiteral("--reverse")} +
            rangeArguments(m_base);
        const StepOutcome listed = co_await outcomeOf(git.run(listArgs));
        if (!self)
            co_return;
        const QStringList made = listed.output.split(u'\n', Qt::SkipEmptyParts);
        if (!result || listed.failure || made.size() != resultCount(plan))
            co_return;
        id = made[resultPosition(plan, *result)];
    }
    if (id.isEmpty())
        co_return;
    const bool listed = co_await m_state->loadCommitsThrough(id);
    if (!self || !listed)
        co_return;
    for (const GitCommit& commit : m_state->commits()) {
        if (commit.id == id) {
            m_state->selectCommit(commit, false, false);
            break;
        }
    }
}

QCoro::Task<ExtraEnvironment> HistoryEditor::continueEnvironment(GitService git) {
    const QStringList gitDirArgs{QStringLiteral("rev-parse"), QStringLiteral("--absolute-git-dir")};
    const StepOutcome gitDir = co_await outcomeOf(git.run(gitDirArgs));
    const QString messages = historyEditMessagesPath(gitDir.output);
    if (gitDir.failure || !QFileInfo::exists(messages))
        co_return ExtraEnvironment{{QStringLiteral("GIT_EDITOR"), QStringLiteral("true")}};
    co_return ExtraEnvironment{
        {QStringLiteral("GIT_EDITOR"), editorCommand(editorProgram(), writeMessageFlag, messages)}};
}

} // namespace tolvane
