#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringList>

namespace tolvane {

// One commit of the history list, as parsed from the log.
struct GitCommit {
    QString id; // full hash; the identity
    QString shortHash;
    QString author;
    QString date; // git's relative date ("3 days ago"), not a timestamp
    QString message;
    QString fullMessage;
    QString refs; // decoration exactly as git prints it, or empty
    QStringList parents;
    int graphColumn = 0;

    friend bool operator==(const GitCommit&, const GitCommit&) = default;
};

inline size_t qHash(const GitCommit& c, size_t seed = 0) {
    return qHashMulti(seed, c.id, c.shortHash, c.author, c.date, c.message, c.fullMessage, c.refs,
                      c.parents, c.graphColumn);
}

} // namespace tolvane
