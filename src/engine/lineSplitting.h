#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace tolvane {

// Splits at every line feed and keeps each non-empty line exactly as it is (a carriage return or
// a quoted path stays).
QStringList nonEmptyLines(const QString& output);

// Splits NUL-terminated records (the -z output of git) and keeps each non-empty one exactly as
// it is, line feeds and all.
QStringList nonEmptyRecords(const QString& output);

// Trims only spaces and tabs, unlike QString::trimmed, which would also take line breaks.
QStringView trimSpacesAndTabs(QStringView text);

} // namespace tolvane
