#include "state/CommitMessageMemory.h"

#include "engine/GitError.h"
#include "engine/LimitedOutput.h"
#include "engine/commitMessageText.h"
#include "engine/signingConfiguration.h"
#include "settings/AppSettings.h"
#include "state/RepositoryState.h"

#include <QCoroFuture>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

namespace tolvane {
namespace {

// A template longer than this is no message template.
constexpr qint64 templateLimit = 64 * 1024;

} // namespace

CommitMessageMemory::CommitMessageMemory(RepositoryState& state) : QObject(&state), m_state(state) {
    const QString kept = AppSettings::keptCommitMessage(state.tab().path);
    if (!kept.isEmpty())
        state.setCommitMessage(kept);
    connect(&state, &RepositoryState::commitMessageChanged, this, [this] {
        // The template as it was filled in is no message of the user's.
        AppSettings::setKeptCommitMessage(m_state.tab().path, m_state.commitMessage() == m_filled
                                                                  ? QString()
                                                                  : m_state.commitMessage());
    });
    // After a commit the box is empty again, ready for the template.
    connect(&state, &RepositoryState::headCommitHashChanged, this, [this] {
        if (m_state.commitMessage().isEmpty())
            fillFromTemplate();
    });
}

QCoro::Task<> CommitMessageMemory::loadStagedIdentifiers() {
    QPointer<CommitMessageMemory> self(this);
    const GitService git = m_state.activeGit();
    const QStringList args{QStringLiteral("diff"),          QStringLiteral("--cached"),
                           QStringLiteral("--no-ext-diff"), QStringLiteral("--no-textconv"),
                           QStringLiteral("--no-color"),    QStringLiteral("-U1")};
    LimitedOutput diff;
    try {
        // Enough of a large diff for its names; the rest is not read.
        diff = co_await git.runLimited(args, 4 << 20);
    } catch (const GitError&) {
        // No HEAD yet, or no repository: nothing staged to learn names from.
        co_return;
    }
    const QString text = diff.text;
    // Named before the await: g++ 12 mishandles a lambda built inside a co_await.
    const auto collect = [text] { return diffIdentifiers(text); };
    QFuture<QSet<QString>> collecting = QtConcurrent::run(collect);
    QSet<QString> names = co_await collecting;
    if (!self || names == m_stagedIdentifiers)
        co_return;
    m_stagedIdentifiers = std::move(names);
    Q_EMIT stagedIdentifiersChanged();
}

QCoro::Task<> CommitMessageMemory::fillFromTemplate() {
    QPointer<CommitMessageMemory> self(this);
    const GitService git = m_state.activeGit();
    const QStringList args{
        QStringLiteral("config"), QStringLiteral("-z"), QStringLiteral("--type=path"),
        QStringLiteral("--get-regexp"),
        QStringLiteral("^(commit\\.template|commit\\.cleanup|core\\.commentchar)$")};
    QString listing;
    try {
        listing = co_await git.run(args);
    } catch (const GitError& error) {
        if (error.code() != 1 && self) // 1: none of them is set
            m_state.log(QStringLiteral("Could not read the commit template setting: ") +
                            error.message(),
                        LogLevel::Error);
        co_return;
    }
    if (!self)
        co_return;
    const QHash<QString, QString> config = parseConfigListing(listing.toUtf8()).last;
    const QString file = config.value(QStringLiteral("commit.template"));
    if (file.isEmpty())
        co_return;
    // git reads a relative template from where it runs: the top of the working tree.
    const QString path = QDir(git.repoPath()).filePath(file);
    const auto read = [path] {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            return std::optional<QByteArray>();
        return std::optional<QByteArray>(in.read(templateLimit));
    };
    QFuture<std::optional<QByteArray>> reading = QtConcurrent::run(read);
    const std::optional<QByteArray> bytes = co_await reading;
    if (!self)
        co_return;
    if (!bytes) {
        m_state.log(QStringLiteral("Could not read the commit template ") + path, LogLevel::Error);
        co_return;
    }
    const QString comment = config.value(QStringLiteral("core.commentchar"));
    const QString text =
        cleanedUpMessage(QString::fromUtf8(*bytes), config.value(QStringLiteral("commit.cleanup")),
                         comment.isEmpty() ? QChar(u'#') : comment.front());
    // Typing while git was asked wins.
    if (m_state.commitMessage().isEmpty() && !text.isEmpty()) {
        m_filled = text;
        m_state.setCommitMessage(text);
    }
}

} // namespace tolvane
