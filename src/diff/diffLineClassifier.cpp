#include "diff/diffLineClassifier.h"

#include "diff/randomUuids.h"
#include "diff/textLines.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace tolvane {

namespace {

// A decimal integer with an optional sign, nothing else; fails on overflow.
std::optional<qint64> parseDecimal(QStringView text) {
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

// The start number of a "-a,b" or "+c,d" piece of a hunk header.
std::optional<qint64> rangeStart(QStringView piece) {
    if (piece.isEmpty())
        return std::nullopt;
    QStringView number = piece.sliced(1);
    const qsizetype comma = number.indexOf(u',');
    if (comma >= 0)
        number = number.first(comma);
    return parseDecimal(number);
}

// Line counters saturate rather than overflow on absurd header numbers.
qint64 next(qint64& counter) {
    const qint64 value = counter;
    if (counter < std::numeric_limits<qint64>::max())
        ++counter;
    return value;
}

void readHunkStarts(QStringView line, qint64& oldLine, qint64& newLine) {
    const qsizetype firstSpace = line.indexOf(u' ');
    if (firstSpace < 0)
        return;
    const qsizetype secondSpace = line.indexOf(u' ', firstSpace + 1);
    if (secondSpace < 0)
        return;
    qsizetype thirdSpace = line.indexOf(u' ', secondSpace + 1);
    if (thirdSpace < 0)
        thirdSpace = line.size();
    if (const auto start = rangeStart(line.sliced(firstSpace + 1, secondSpace - firstSpace - 1)))
        oldLine = *start;
    if (const auto start = rangeStart(line.sliced(secondSpace + 1, thirdSpace - secondSpace - 1)))
        newLine = *start;
}

// A "\ No newline at end of file" marker, which may sit inside a block of changes.
bool isMarker(const DiffLine& line) {
    return line.type == DiffLineType::Context && !line.oldNum && !line.newNum &&
           line.content.startsWith(u'\\');
}

// Pairs each run of deletions with the run of additions right after it, as the hunk view does.
void addInlineChanges(QList<DiffLine>& lines) {
    std::vector<qsizetype> removals;
    std::vector<qsizetype> additions;
    qsizetype i = 0;
    const qsizetype size = lines.size();
    while (i < size) {
        if (lines.at(i).type != DiffLineType::Deletion) {
            ++i;
            continue;
        }
        removals.clear();
        additions.clear();
        for (; i < size && (lines.at(i).type == DiffLineType::Deletion || isMarker(lines.at(i)));
             ++i) {
            if (lines.at(i).type == DiffLineType::Deletion)
                removals.push_back(i);
        }
        for (; i < size && (lines.at(i).type == DiffLineType::Addition || isMarker(lines.at(i)));
             ++i) {
            if (lines.at(i).type == DiffLineType::Addition)
                additions.push_back(i);
        }
        for (size_t k = 0; k < std::min(removals.size(), additions.size()); ++k) {
            InlineChangePair pair =
                compareLineWords(lines.at(removals[k]).content, lines.at(additions[k]).content);
            if (!pair.removed.isEmpty())
                lines[removals[k]].changes = std::move(pair.removed);
            if (!pair.added.isEmpty())
                lines[additions[k]].changes = std::move(pair.added);
        }
    }
}

} // namespace

QList<DiffLine> parseDiffLines(const QString& text) {
    QList<DiffLine> result;
    qsizetype lineCount = 0;
    forEachLine(text, [&](QStringView) { ++lineCount; });
    result.reserve(lineCount);
    // Added lines before any hunk header (an untracked file's content) count from 1, as every
    // editor numbers them.
    qint64 oldLine = 1;
    qint64 newLine = 1;
    bool inHunk = false;
    forEachLine(text, [&](QStringView line) {
        DiffLine& out = result.emplaceBack();
        if (hasPrefix(line, u"@@")) {
            out.type = DiffLineType::HunkHeader;
            out.content = line.toString();
            inHunk = true;
            readHunkStarts(line, oldLine, newLine);
        } else if (hasPrefix(line, u"diff ")) {
            out.type = DiffLineType::FileHeader;
            out.content = line.toString();
            inHunk = false;
        } else if (!inHunk && (hasPrefix(line, u"+++") || hasPrefix(line, u"---") ||
                               hasPrefix(line, u"index "))) {
            out.type = DiffLineType::FileHeader;
            out.content = line.toString();
        } else if (hasPrefix(line, u"+")) {
            out.type = DiffLineType::Addition;
            out.content = line.sliced(1).toString();
            out.newNum = next(newLine);
        } else if (hasPrefix(line, u"-")) {
            out.type = DiffLineType::Deletion;
            out.content = line.sliced(1).toString();
            out.oldNum = next(oldLine);
        } else if (!hasPrefix(line, u" ")) {
            // Markers, "Binary files ... differ", mode lines, empty lines and our own notices.
            out.type = hasPrefix(line, u"New file:") || hasPrefix(line, u"\u2500")
                           ? DiffLineType::FileHeader
                           : DiffLineType::Context;
            out.content = line.toString();
        } else {
            out.type = DiffLineType::Context;
            out.content = line.sliced(1).toString();
            // Outside a hunk an indented line is a commit's message or its diffstat, which are
            // no lines of any file.
            if (inHunk) {
                out.oldNum = next(oldLine);
                out.newNum = next(newLine);
            }
        }
    });
    addInlineChanges(result);
    assignRandomUuids(result.size(), [&](qsizetype i, const QUuid& id) { result[i].id = id; });
    return result;
}

} // namespace tolvane
