#include "engine/lineSplitting.h"

namespace tolvane {

QStringList nonEmptyLines(const QString& output) {
    QStringList lines;
    for (QStringView line : QStringView(output).tokenize(QChar(u'\n'), Qt::SkipEmptyParts))
        lines.append(line.toString());
    return lines;
}

QStringList nonEmptyRecords(const QString& output) {
    QStringList records;
    for (QStringView record : QStringView(output).tokenize(QChar(u'\0'), Qt::SkipEmptyParts))
        records.append(record.toString());
    return records;
}

QStringView trimSpacesAndTabs(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace tolvane
