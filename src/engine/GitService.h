#pragma once

#include "engine/GitError.h"

#include <QCoroFuture>
#include <QCoroTask>
#include <QHash>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QtConcurrent/QtConcurrentRun>
#include <optional>
#include <type_traits>
#include <variant>

class QThreadPool;

namespace tolvane {

// Options placed before the caller's arguments and the complete environment of one git child.
struct ProcessConfiguration {
    QStringList arguments;
    QProcessEnvironment environment;
};

// Extra variables for one child only, on top of the configured environment (for example a fixed
// locale for commands whose output is matched as text).
using ExtraEnvironment = QHash<QString, QString>;

// Runs git in one working directory. Holds nothing but the path: every call makes its own process,
// which runs and is read on a worker thread while the caller awaits the result.
class GitService {
public:
    explicit GitService(QString repoPath) : m_repoPath(std::move(repoPath)) {}

    const QString& repoPath() const { return m_repoPath; }

    // Standard output decoded as UTF-8 (empty when it is not valid UTF-8) with line breaks trimmed
    // from both ends; throws GitError when git fails or cannot start.
    QCoro::Task<QString> run(QStringList arguments, bool network = false,
                             ExtraEnvironment extraEnvironment = {}) const;

    // Like run, but also hands the output to `parse` on the worker, so that large outputs never
    // get parsed on the interface thread.
    template <typename Parser>
    auto runParsed(QStringList arguments, Parser parse, bool network = false) const
        -> QCoro::Task<std::invoke_result_t<Parser, const QString&>>;

    // Runs git in `path` with all output discarded; only success or the exit-code text.
    static QCoro::Task<> runStatic(QStringList arguments, QString path, bool network);

    static ProcessConfiguration processConfiguration(bool network);

    // The blocking core of run; call it only on a worker thread.
    static std::variant<QString, GitError> runBlocking(const QString& repoPath,
                                                       const QStringList& arguments, bool network,
                                                       const ExtraEnvironment& extraEnvironment);
    static std::optional<GitError> runStaticBlocking(const QStringList& arguments,
                                                     const QString& path, bool network);

    // The workers git runs on. Separate from the global pool so that long network commands never
    // starve parsing or other work.
    static QThreadPool* threadPool();

private:
    template <typename T> struct Outcome {
        std::optional<T> value;
        std::optional<GitError> error;
    };

    QString m_repoPath;
};

template <typename Parser>
auto GitService::runParsed(QStringList arguments, Parser parse, bool network) const
    -> QCoro::Task<std::invoke_result_t<Parser, const QString&>> {
    using Result = std::invoke_result_t<Parser, const QString&>;
    const QString path = m_repoPath;
    auto work = [path, arguments = std::move(arguments), network,
                 parse = std::move(parse)]() -> Outcome<Result> {
        auto raw = runBlocking(path, arguments, network, {});
        if (auto* error = std::get_if<GitError>(&raw))
            return Outcome<Result>{std::nullopt, std::move(*error)};
        return Outcome<Result>{parse(std::get<QString>(raw)), std::nullopt};
    };
    Outcome<Result> outcome = co_await QtConcurrent::run(threadPool(), std::move(work));
    if (outcome.error)
        throw *outcome.error;
    co_return std::move(*outcome.value);
}

} // namespace tolvane
