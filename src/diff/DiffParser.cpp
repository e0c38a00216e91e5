#include "diff/DiffParser.h"

#include "diff/randomUuids.h"
#include "diff/textLines.h"

#include <algorithm>
#include <vector>

namespace tolvane::DiffParser {

namespace {

bool startsWithHunkMarker(QStringView line) {
    return line.size() >= 2 && line[0] == u'@' && line[1] == u'@';
}
bool isMarker(const QString& line) {
    return line.startsWith(u'\\');
}
bool isChange(const QString& line) {
    return line.startsWith(u'+') || line.startsWith(u'-');
}

// A line's content on the other kind of line: the same text behind a space.
QString asContext(const QString& line) {
    QString out = line;
    out[0] = u' ';
    return out;
}

// A "\ No newline at end of file" marker strips the line feed of the line before it, on each side
// that line belongs to, so that line must stay the last one of those sides. Context lines belong
// to both sides; anything that is neither '+', '-' nor a marker counts as context.
bool markersStayLast(const QStringList& lines) {
    bool laterOld = false;
    bool laterNew = false;
    for (qsizetype i = lines.size() - 1; i >= 1; --i) {
        const QString& line = lines.at(i);
        if (isMarker(line)) {
            const QString& before = lines.at(i - 1);
            if (before.startsWith(u'-')   ? laterOld
                : before.startsWith(u'+') ? laterNew
                                          : (laterOld || laterNew))
                return false;
        } else if (line.startsWith(u'-')) {
            laterOld = true;
        } else if (line.startsWith(u'+')) {
            laterNew = true;
        } else {
            laterOld = laterNew = true;
        }
    }
    return true;
}

} // namespace

ParsedFileDiff parse(const QString& text) {
    // First find the lines and the hunk starts, so that every list is allocated once at its
    // final size: on large diffs the allocator, not the scanning, is the cost.
    struct Span {
        qsizetype start;
        qsizetype length;
    };
    std::vector<Span> spans;
    spans.reserve(size_t(text.size() / 32 + 1));
    std::vector<qsizetype> hunkStarts;
    const QStringView whole(text);
    forEachLine(whole, [&](QStringView line) {
        if (startsWithHunkMarker(line))
            hunkStarts.push_back(qsizetype(spans.size()));
        spans.push_back({line.data() - whole.data(), line.size()});
    });
    const auto lineAt = [&](qsizetype i) { return text.sliced(spans[i].start, spans[i].length); };

    ParsedFileDiff result;
    const qsizetype headerCount = hunkStarts.empty() ? qsizetype(spans.size()) : hunkStarts[0];
    result.headerLines.reserve(headerCount);
    for (qsizetype i = 0; i < headerCount; ++i)
        result.headerLines.append(lineAt(i));
    result.hunks.reserve(qsizetype(hunkStarts.size()));
    for (size_t h = 0; h < hunkStarts.size(); ++h) {
        const qsizetype first = hunkStarts[h];
        const qsizetype last =
            h + 1 < hunkStarts.size() ? hunkStarts[h + 1] : qsizetype(spans.size());
        QStringList lines;
        lines.reserve(last - first);
        for (qsizetype i = first; i < last; ++i)
            lines.append(lineAt(i));
        const QString header = lines.constFirst();
        result.hunks.append(makeHunk(int(h), header, std::move(lines)));
    }
    return result;
}

DiffHunk makeHunk(int index, const QString& header, QStringList lines) {
    DiffHunk hunk{.id = index,
                  .header = header,
                  .lines = {},
                  .addedCount = 0,
                  .removedCount = 0,
                  .inlineChanges = hunkInlineChanges(lines)};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line.isEmpty())
            continue;
        if (line.front() == u'+')
            ++hunk.addedCount;
        else if (line.front() == u'-')
            ++hunk.removedCount;
    }
    hunk.lines = std::move(lines);
    return hunk;
}

QList<DiffLineInfo> buildLineInfos(const DiffHunk& hunk) {
    QList<DiffLineInfo> infos;
    for (qsizetype i = 0; i < hunk.lines.size(); ++i) {
        const QString& line = hunk.lines.at(i);
        if (!isChange(line))
            continue;
        infos.append(DiffLineInfo{.id = {},
                                  .lineIndex = int(i),
                                  .rawLine = line,
                                  .lineType = line.startsWith(u'+') ? DiffLineType::Addition
                                                                    : DiffLineType::Deletion,
                                  .content = line.sliced(1)});
    }
    assignRandomUuids(infos.size(), [&](qsizetype i, const QUuid& id) { infos[i].id = id; });
    return infos;
}

QString buildPatch(const QStringList& header, const QList<DiffHunk>& hunks) {
    QStringList lines = header;
    for (const DiffHunk& hunk : hunks)
        lines.append(hunk.lines);
    while (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    qsizetype size = 1;
    for (const QString& line : std::as_const(lines))
        size += line.size() + 1;
    QString patch;
    patch.reserve(size);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            patch += u'\n';
        patch += lines.at(i);
    }
    patch += u'\n';
    return patch;
}

QString buildPatch(const ParsedFileDiff& diff, const QList<DiffHunk>& hunks,
                   PatchDirection direction) {
    // Reduced hunks keep their original's id and count only the lines they still change.
    const bool whole = std::all_of(diff.hunks.cbegin(), diff.hunks.cend(), [&](const DiffHunk& h) {
        return std::any_of(hunks.cbegin(), hunks.cend(), [&](const DiffHunk& chosen) {
            return chosen.id == h.id && chosen.addedCount == h.addedCount &&
                   chosen.removedCount == h.removedCount;
        });
    });
    if (whole)
        return buildPatch(diff.headerLines, hunks);
    return buildPatch(partialPatchHeader(diff.headerLines, direction), hunks);
}

QStringList partialPatchHeader(const QStringList& header, PatchDirection direction) {
    const auto has = [&](QStringView prefix) {
        return std::any_of(header.cbegin(), header.cend(),
                           [&](const QString& line) { return line.startsWith(prefix); });
    };
    const auto nameAfter = [&](QStringView prefix) {
        for (const QString& line : header) {
            if (line.startsWith(prefix))
                return line.sliced(prefix.size());
        }
        return QString();
    };
    const QString devNull = QStringLiteral("/dev/null");
    const QString oldName = nameAfter(u"--- ");
    const QString newName = nameAfter(u"+++ ");
    const bool forward = direction == PatchDirection::Forward;
    const bool created = has(u"new file mode ");
    const bool deleted = has(u"deleted file mode ");
    const bool moved = (has(u"rename from ") || has(u"copy from ")) && !newName.isEmpty();

    QStringList out;
    out.reserve(header.size());
    for (const QString& line : header) {
        if (line.startsWith(u"old mode ") || line.startsWith(u"new mode "))
            continue;
        if (forward && deleted) {
            // The index keeps the file and loses only the lines chosen.
            if (line.startsWith(u"deleted file mode "))
                continue;
            if (line.startsWith(u"+++ ") && line.sliced(4) == devNull) {
                out.append(QStringLiteral("+++ ") + oldName);
                continue;
            }
        }
        if (!forward && created) {
            // The target keeps the file and loses only the lines chosen.
            if (line.startsWith(u"new file mode "))
                continue;
            if (line.startsWith(u"--- ") && line.sliced(4) == devNull) {
                out.append(QStringLiteral("--- ") + newName);
                continue;
            }
        }
        if (!forward && moved) {
            // Undoing part of a rename changes the file under its new name only.
            if (line.startsWith(u"similarity index ") || line.startsWith(u"dissimilarity index ") ||
                line.startsWith(u"rename from ") || line.startsWith(u"rename to ") ||
                line.startsWith(u"copy from ") || line.startsWith(u"copy to "))
                continue;
            if (line.startsWith(u"diff --git ")) {
                // git ends a name holding a space with a tab on the ---/+++ lines only.
                QString name = newName;
                if (name.endsWith(u'\t'))
                    name.chop(1);
                out.append(QStringLiteral("diff --git ") + name + u' ' + name);
                continue;
            }
            if (line.startsWith(u"--- ")) {
                out.append(QStringLiteral("--- ") + newName);
                continue;
            }
        }
        out.append(line);
    }
    return out;
}

std::optional<DiffHunk> buildPartialHunk(const DiffHunk& original,
                                         const QSet<QUuid>& selectedLineIDs,
                                         const QList<DiffLineInfo>& lineInfos,
                                         PatchDirection direction) {
    QSet<qsizetype> selected;
    for (const DiffLineInfo& info : lineInfos) {
        if (selectedLineIDs.contains(info.id))
            selected.insert(info.lineIndex);
    }
    if (selected.isEmpty())
        return std::nullopt;

    const QStringList& lines = original.lines;
    // Empty lines at the end are what splitting a text that ends in a line feed leaves behind;
    // the patch writer drops them, so they must not be counted as context either.
    qsizetype end = lines.size();
    while (end > 1 && lines.at(end - 1).isEmpty())
        --end;

    const bool forward = direction == PatchDirection::Forward;
    QStringList out;
    out.reserve(end + 1);
    out.append(original.header);
    qsizetype context = 0;
    qsizetype added = 0;
    qsizetype removed = 0;

    const auto markerAfter = [&](qsizetype i) { return i + 1 < end && isMarker(lines.at(i + 1)); };
    const auto append = [&](qsizetype i, QString text) {
        out.append(std::move(text));
        if (markerAfter(i))
            out.append(lines.at(i + 1));
    };

    QList<qsizetype> removals;
    QList<qsizetype> additions;
    qsizetype i = 1;
    while (i < end) {
        const QString& line = lines.at(i);
        if (isMarker(line)) {
            ++i;
            continue;
        }
        if (!isChange(line)) {
            append(i, line);
            ++context;
            ++i;
            continue;
        }
        // A block: the run of changes, markers included, up to the next context line.
        removals.clear();
        additions.clear();
        for (; i < end && (isChange(lines.at(i)) || isMarker(lines.at(i))); ++i) {
            if (lines.at(i).startsWith(u'-'))
                removals.append(i);
            else if (lines.at(i).startsWith(u'+'))
                additions.append(i);
        }
        // Pairwise order keeps each side of a fully selected block in its original order.
        for (qsizetype k = 0; k < std::max(removals.size(), additions.size()); ++k) {
            if (k < removals.size()) {
                const qsizetype r = removals.at(k);
                if (selected.contains(r)) {
                    append(r, lines.at(r));
                    ++removed;
                } else if (forward) {
                    // The target still has the line: it stays as context.
                    append(r, asContext(lines.at(r)));
                    ++context;
                }
            }
            if (k < additions.size()) {
                const qsizetype a = additions.at(k);
                if (selected.contains(a)) {
                    append(a, lines.at(a));
                    ++added;
                } else if (!forward) {
                    append(a, asContext(lines.at(a)));
                    ++context;
                }
            }
        }
    }

    if (added == 0 && removed == 0)
        return std::nullopt;
    if (!markersStayLast(out))
        return std::nullopt;

    QString header = recalculateHunkHeader(original.header, removed + context, context + added);
    out[0] = header;
    return DiffHunk{.id = original.id,
                    .header = std::move(header),
                    .lines = std::move(out),
                    .addedCount = int(added),
                    .removedCount = int(removed),
                    .inlineChanges = {}}; // only ever written into a patch
}

QString recalculateHunkHeader(const QString& header, qsizetype oldCount, qsizetype newCount) {
    const qsizetype first = header.indexOf(u"@@");
    if (first < 0)
        return header;
    const qsizetype second = header.indexOf(u"@@", first + 2);
    if (second < 0)
        return header;
    QStringView range = QStringView(header).sliced(first + 2, second - first - 2);
    while (!range.isEmpty() && (range.front() == u' ' || range.front() == u'\t'))
        range = range.sliced(1);
    while (!range.isEmpty() && (range.back() == u' ' || range.back() == u'\t'))
        range.chop(1);
    const QList<QStringView> pieces = range.split(u' ', Qt::SkipEmptyParts);
    if (pieces.size() != 2)
        return header;
    const auto start = [](QStringView piece) {
        QStringView number = piece.sliced(1);
        const qsizetype comma = number.indexOf(u',');
        if (comma >= 0)
            number = number.first(comma);
        return number.isEmpty() ? QStringLiteral("1") : number.toString();
    };
    return QStringLiteral("@@ -") + start(pieces.at(0)) + u',' + QString::number(oldCount) +
           QStringLiteral(" +") + start(pieces.at(1)) + u',' + QString::number(newCount) +
           QStringLiteral(" @@") + header.sliced(second + 2);
}

} // namespace tolvane::DiffParser
