#include "engine/conflictText.h"

namespace tolvane {
namespace {

enum class Marker { None, Start, Base, Separator, End };

// git writes `size` marker characters (seven unless the path's attributes say otherwise), then
// a space and a label or the line end.
Marker markerOf(QStringView line, QString* label, int size) {
    const auto starts = [&](char16_t c) {
        if (line.size() < size)
            return false;
        for (int i = 0; i < size; ++i) {
            if (line[i] != c)
                return false;
        }
        if (line.size() == size)
            return true;
        const QChar next = line[size];
        return next == u' ' || next == u'\r' || next == u'\n';
    };
    const auto labelled = [&](Marker marker) {
        QStringView rest = line.sliced(size);
        while (!rest.isEmpty() && (rest.back() == u'\n' || rest.back() == u'\r'))
            rest.chop(1);
        if (rest.startsWith(u' '))
            rest = rest.sliced(1);
        *label = rest.toString();
        return marker;
    };
    if (starts(u'<'))
        return labelled(Marker::Start);
    if (starts(u'|'))
        return labelled(Marker::Base);
    if (starts(u'>'))
        return labelled(Marker::End);
    if (starts(u'=')) {
        QStringView rest = line.sliced(size);
        while (!rest.isEmpty() && (rest.back() == u'\n' || rest.back() == u'\r'))
            rest.chop(1);
        return rest.isEmpty() ? Marker::Separator : Marker::None;
    }
    return Marker::None;
}

// Lines with their endings.
QList<QStringView> linesOf(const QString& text) {
    QList<QStringView> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = text.indexOf(u'\n', start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        lines.append(QStringView(text).sliced(start, next - start));
        start = next;
    }
    return lines;
}

} // namespace

ConflictText parseConflictText(const QString& text, int markerSize) {
    ConflictText result;
    const QList<QStringView> lines = linesOf(text);
    QString plain;
    qsizetype i = 0;
    while (i < lines.size()) {
        QString label;
        if (markerOf(lines[i], &label, markerSize) != Marker::Start) {
            plain += lines[i++];
            continue;
        }
        // Read one block; on any surprise the start line is kept as plain text and reading goes
        // on after it.
        ConflictBlock block{.oursLabel = label};
        enum class Side { Ours, Base, Theirs } side = Side::Ours;
        bool closed = false;
        qsizetype j = i + 1;
        for (; j < lines.size(); ++j) {
            QString markerLabel;
            const Marker marker = markerOf(lines[j], &markerLabel, markerSize);
            if (marker == Marker::Start)
                break;
            if (marker == Marker::Base && side == Side::Ours && !block.base) {
                block.base = QString();
                block.baseLabel = markerLabel;
                side = Side::Base;
            } else if (marker == Marker::Separator && side != Side::Theirs) {
                side = Side::Theirs;
            } else if (marker == Marker::End && side == Side::Theirs) {
                block.theirsLabel = markerLabel;
                closed = true;
                break;
            } else if (side == Side::Ours) {
                block.ours += lines[j];
            } else if (side == Side::Base) {
                *block.base += lines[j];
            } else {
                block.theirs += lines[j];
            }
        }
        if (!closed) {
            plain += lines[i++];
            continue;
        }
        result.plain.append(plain);
        plain.clear();
        result.blocks.append(block);
        i = j + 1;
    }
    result.plain.append(plain);
    return result;
}

bool hasConflictMarkers(const QString& text, int markerSize) {
    for (const QStringView line : linesOf(text)) {
        if (line.size() < markerSize || (line[0] != u'<' && line[0] != u'>'))
            continue;
        const QChar c = line[0];
        bool same = true;
        for (int i = 1; i < markerSize && same; ++i)
            same = line[i] == c;
        // git's test: the character after the marker is white space, the line end included.
        if (same && (line.size() == markerSize || line[markerSize].isSpace()))
            return true;
    }
    return false;
}

QString conflictMarkerPattern(int markerSize) {
    const QString count = QString::number(markerSize);
    return QStringLiteral("^(<{%1}|>{%1})([[:space:]]|$)").arg(count);
}

int parseConflictMarkerSize(const QString& output) {
    // "path\0conflict-marker-size\0value\0"
    const QList<QStringView> fields = QStringView(output).split(QChar(u'\0'));
    if (fields.size() < 3)
        return defaultConflictMarkerSize;
    const QStringView value = fields[2];
    qsizetype digits = 0;
    while (digits < value.size() && value[digits].isDigit() && value[digits].unicode() < 128)
        ++digits;
    bool ok = false;
    const int size = value.first(digits).toInt(&ok);
    return ok && size > 0 ? size : defaultConflictMarkerSize;
}

std::optional<QString> resolveConflictText(const ConflictText& text,
                                           const QList<BlockChoice>& choices) {
    if (choices.size() != text.blocks.size() || text.plain.size() != text.blocks.size() + 1)
        return std::nullopt;
    QString resolved = text.plain.first();
    for (qsizetype i = 0; i < text.blocks.size(); ++i) {
        const ConflictBlock& block = text.blocks[i];
        switch (choices[i]) {
        case BlockChoice::Undecided:
            return std::nullopt;
        case BlockChoice::Ours:
            resolved += block.ours;
            break;
        case BlockChoice::Theirs:
            resolved += block.theirs;
            break;
        case BlockChoice::Both:
            resolved += block.ours + block.theirs;
            break;
        }
        resolved += text.plain[i + 1];
    }
    return resolved;
}

} // namespace tolvane
