#pragma once

#include <QByteArrayView>
#include <QHashFunctions>
#include <QRandomGenerator>
#include <QString>
#include <QUuid>
#include <array>
#include <cstring>

namespace tolvane {

// A local or remote-tracking branch. Every parse makes a new id, so the same branch from two
// refreshes compares unequal; recognise a branch across refreshes by name and isRemote.
// A detached HEAD is listed among the local entries as the current one, with isDetached set and
// git's description ("HEAD detached at 1a2b3c4") as its name: it is no branch, and nothing may
// check it out, merge or delete it by that name.
struct GitBranch {
    QUuid id;
    QString name;
    bool isCurrent = false;
    bool isRemote = false;
    bool isDetached = false;

    static GitBranch make(const QString& name, bool isCurrent, bool isRemote,
                          bool isDetached = false) {
        return GitBranch{freshId(), name, isCurrent, isRemote, isDetached};
    }

    // A random (version 4) id. The ids need only be distinct, and QUuid::createUuid asks the
    // system for every one, which made listing thousands of branches slow.
    static QUuid freshId() {
        std::array<quint32, 4> words;
        QRandomGenerator::global()->fillRange(words.data(), qsizetype(words.size()));
        std::array<char, 16> bytes;
        std::memcpy(bytes.data(), words.data(), bytes.size());
        bytes[6] = char((bytes[6] & 0x0F) | 0x40);
        bytes[8] = char((bytes[8] & 0x3F) | 0x80);
        return QUuid::fromRfc4122(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    }

    friend bool operator==(const GitBranch&, const GitBranch&) = default;
};

inline size_t qHash(const GitBranch& b, size_t seed = 0) {
    return qHashMulti(seed, b.id, b.name, b.isCurrent, b.isRemote, b.isDetached);
}

} // namespace tolvane

// Plain handles to shared data: a growing list moves them with memcpy.
Q_DECLARE_TYPEINFO(tolvane::GitBranch, Q_RELOCATABLE_TYPE);
