#include "state/SignatureBadges.h"

#include "engine/GitError.h"

#include <QPointer>
#include <QTimer>

namespace tolvane {

SignatureBadges::SignatureBadges(QString repoPath, QObject* parent)
    : QObject(parent), m_git(std::move(repoPath)) {}

std::optional<SignatureCheck> SignatureBadges::check(const QString& id) const {
    const auto found = m_checks.constFind(id);
    if (found == m_checks.cend())
        return std::nullopt;
    return *found;
}

void SignatureBadges::request(const QString& id) {
    if (m_checks.contains(id) || m_pending.contains(id))
        return;
    m_pending.insert(id);
    m_queue.append(id);
    if (m_scheduled)
        return;
    m_scheduled = true;
    // Painting asks row by row: the rows of one paint are checked together afterwards.
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        if (!m_running)
            runBatches();
    });
}

QCoro::Task<> SignatureBadges::checkRequested() {
    m_scheduled = false;
    if (!m_running)
        co_await runBatches();
}

void SignatureBadges::reset() {
    ++m_generation;
    m_checks.clear();
    m_pending.clear();
    m_queue.clear();
    m_setup.reset();
}

QCoro::Task<> SignatureBadges::runBatches() {
    QPointer<SignatureBadges> self(this);
    m_running = true;
    while (self && !m_queue.isEmpty()) {
        const int generation = m_generation;
        const GitService git = m_git;
        std::optional<QString> failure;
        if (!m_setup) {
            try {
                const VerificationSetup setup = co_await readVerificationSetup(git);
                if (!self)
                    co_return;
                m_setup = setup;
            } catch (const GitError& error) {
                failure = error.message();
            }
        }
        if (!self)
            co_return;
        // A screenful at a time keeps each answer quick.
        const QStringList batch = m_queue.mid(0, 64);
        m_queue.remove(0, batch.size());
        QHash<QString, SignatureCheck> checks;
        if (!failure) {
            try {
                const VerificationSetup setup = *m_setup;
                checks = co_await checkSignatures(git, batch, setup);
            } catch (const GitError& error) {
                failure = error.message();
            }
        }
        if (!self)
            co_return;
        if (generation != m_generation)
            continue;
        if (failure) {
            // These stay asked for, so that every paint does not ask and fail again; a reset
            // (the setup changed) tries them anew.
            Q_EMIT failed(*failure);
            continue;
        }
        for (auto it = checks.cbegin(); it != checks.cend(); ++it) {
            m_checks.insert(it.key(), it.value());
            m_pending.remove(it.key());
        }
        Q_EMIT checked(batch);
    }
    if (self)
        m_running = false;
}

} // namespace tolvane
