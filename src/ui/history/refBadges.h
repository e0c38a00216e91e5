#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

namespace tolvane {

// The badge labels of a decoration text: "HEAD -> main" gives "HEAD" then "main"; tags keep
// their "tag: " prefix and remote branches their remote name.
QStringList parseRefs(const QString& refs);
// HEAD red, tags orange, anything naming origin purple, other branches green.
QColor refColor(const QString& label);

} // namespace tolvane
