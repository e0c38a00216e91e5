#pragma once

#include <QString>
#include <memory>

namespace tolvane {

// What blame says of the commit a line comes from. All lines of one commit share one record:
// a large file has tens of thousands of lines from a few hundred commits.
struct GitBlameCommit {
    QString commitHash;
    QString shortHash;
    QString author;
    QString date; // short date in the user's locale, no time
    // The commit and path the line came from before this commit (empty for a commit that added
    // the line with the file), for walking back.
    QString previousHash;
    QString previousPath;
};

// One line of a blamed file; identified by its 1-based position. No equality is defined.
struct GitBlameLine {
    int id = 0;
    std::shared_ptr<const GitBlameCommit> commit;
    QString content;
    int originalLine = 0; // where the line stood in the blamed commit

    const QString& commitHash() const { return source().commitHash; }
    const QString& shortHash() const { return source().shortHash; }
    const QString& author() const { return source().author; }
    const QString& date() const { return source().date; }
    const QString& previousHash() const { return source().previousHash; }
    const QString& previousPath() const { return source().previousPath; }

private:
    const GitBlameCommit& source() const {
        static const GitBlameCommit none;
        return commit ? *commit : none;
    }
};

} // namespace tolvane

// Plain handles to shared data: a growing list moves them with memcpy.
Q_DECLARE_TYPEINFO(tolvane::GitBlameLine, Q_RELOCATABLE_TYPE);
