#pragma once

#include "engine/gitText.h"

#include <QByteArray>
#include <QHashFunctions>
#include <QString>
#include <QStringList>

namespace tolvane {

// A commit message kept as git printed it, as UTF-8 bytes, and decoded only when asked for:
// bodies are most of a loaded history's memory, and as UTF-16 they would take twice the room.
class CommitText {
public:
    CommitText() = default;
    // Implicit, so that a decoded message can be assigned as it always could.
    CommitText(const QString& text) : m_bytes(encodeGitBytes(text)) {}
    static CommitText fromGitBytes(QByteArray bytes) {
        CommitText text;
        text.m_bytes = std::move(bytes);
        return text;
    }

    // Lossless, as engine/gitText.h decodes git's output.
    QString toString() const { return decodeGitBytes(m_bytes); }
    const QByteArray& bytes() const { return m_bytes; }
    bool isEmpty() const { return m_bytes.isEmpty(); }

    friend bool operator==(const CommitText&, const CommitText&) = default;
    friend size_t qHash(const CommitText& t, size_t seed = 0) { return qHash(t.m_bytes, seed); }

private:
    QByteArray m_bytes;
};

// One commit of the history list, as parsed from the log. The parser shares equal strings
// between commits (authors, dates, a parent's id with that parent's own id), so keep them as
// they come rather than rebuilding them.
struct GitCommit {
    QString id; // full hash; the identity
    QString shortHash;
    QString author;
    qint64 authorTime = 0; // author date, seconds since the epoch (shown relative to now)
    QString message;
    CommitText fullMessage;
    QString refs; // decoration exactly as git prints it, or empty
    QStringList parents;
    int graphColumn = 0;

    friend bool operator==(const GitCommit&, const GitCommit&) = default;
};

inline size_t qHash(const GitCommit& c, size_t seed = 0) {
    return qHashMulti(seed, c.id, c.shortHash, c.author, c.authorTime, c.message, c.fullMessage,
                      c.refs, c.parents, c.graphColumn);
}

} // namespace tolvane

// Plain handles to shared data: a growing list moves them with memcpy.
Q_DECLARE_TYPEINFO(tolvane::CommitText, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(tolvane::GitCommit, Q_RELOCATABLE_TYPE);
