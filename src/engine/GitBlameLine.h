#pragma once

#include <QString>

namespace tolvane {

// One line of a blamed file; identified by its 1-based position. No equality is defined.
struct GitBlameLine {
    int id = 0;
    QString commitHash;
    QString shortHash;
    QString author;
    QString date; // short date in the user's locale, no time
    QString content;
    // Where the line stood in the blamed commit, and the commit and path it came from before
    // that commit (empty for a commit that added the line with the file), for walking back.
    int originalLine = 0;
    QString previousHash;
    QString previousPath;
};

} // namespace tolvane

// Plain handles to shared data: a growing list moves them with memcpy.
Q_DECLARE_TYPEINFO(tolvane::GitBlameLine, Q_RELOCATABLE_TYPE);
