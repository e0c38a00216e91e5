#include "engine/RepositoryWriteQueue.h"

#include <QCoroFuture>
#include <QDir>
#include <QHash>
#include <QMutex>
#include <QPromise>

namespace tolvane {
namespace {

struct Line {
    bool busy = false;
    std::deque<std::shared_ptr<QPromise<void>>> waiting;
};

QMutex& linesMutex() {
    static QMutex mutex;
    return mutex;
}

QHash<QString, Line>& lines() {
    static QHash<QString, Line> all;
    return all;
}

QString keyOf(const QString& workingTree) {
    return QDir::cleanPath(workingTree);
}

void passTurn(const QString& key) {
    std::shared_ptr<QPromise<void>> next;
    {
        QMutexLocker lock(&linesMutex());
        Line& line = lines()[key];
        if (line.waiting.empty()) {
            line.busy = false;
            return;
        }
        next = line.waiting.front();
        line.waiting.pop_front();
    }
    next->finish();
}

} // namespace

RepositoryWriteQueue::Turn& RepositoryWriteQueue::Turn::operator=(Turn&& other) noexcept {
    if (this != &other) {
        if (!m_key.isEmpty())
            passTurn(m_key);
        m_key = std::exchange(other.m_key, QString());
    }
    return *this;
}

RepositoryWriteQueue::Turn::~Turn() {
    if (!m_key.isEmpty())
        passTurn(m_key);
}

QCoro::Task<RepositoryWriteQueue::Turn> RepositoryWriteQueue::take(QString workingTree) {
    const QString key = keyOf(workingTree);
    std::shared_ptr<QPromise<void>> promise;
    {
        QMutexLocker lock(&linesMutex());
        Line& line = lines()[key];
        if (!line.busy) {
            line.busy = true;
            co_return Turn(key);
        }
        promise = std::make_shared<QPromise<void>>();
        promise->start();
        line.waiting.push_back(promise);
    }
    // The turn is handed over by finishing the promise; the busy flag stays set meanwhile.
    QFuture<void> handedOver = promise->future();
    co_await handedOver;
    co_return Turn(key);
}

int RepositoryWriteQueue::pending(const QString& workingTree) {
    QMutexLocker lock(&linesMutex());
    const auto it = lines().constFind(keyOf(workingTree));
    if (it == lines().cend())
        return 0;
    return int(it->waiting.size()) + (it->busy ? 1 : 0);
}

} // namespace tolvane
