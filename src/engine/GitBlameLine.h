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
};

} // namespace tolvane
