#pragma once

#include <QCoroTask>
#include <QString>
#include <deque>
#include <memory>

namespace tolvane {

// Lets the commands that write one working tree's index or refs run one at a time, in the order
// they were asked for, so that two quick clicks never meet git's index.lock. Awaited on the
// thread that runs the operations; the turn passes on when the holder's Turn is destroyed.
class RepositoryWriteQueue {
public:
    class Turn {
    public:
        Turn() = default;
        explicit Turn(QString key) : m_key(std::move(key)) {}
        Turn(Turn&& other) noexcept : m_key(std::exchange(other.m_key, QString())) {}
        Turn& operator=(Turn&& other) noexcept;
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;
        ~Turn();

    private:
        QString m_key;
    };

    // Waits until every command asked for earlier on the same working tree has finished.
    static QCoro::Task<Turn> take(QString workingTree);

    // Commands still holding or waiting for a turn on this working tree.
    static int pending(const QString& workingTree);
};

} // namespace tolvane
