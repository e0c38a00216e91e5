#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace tolvane {

// A run of changed characters inside one line's content (the line without its '+' or '-').
struct InlineRange {
    int start = 0;
    int length = 0;

    friend bool operator==(const InlineRange&, const InlineRange&) = default;
};

// The changed ranges of one line of a hunk, by its index in the hunk's `lines`.
struct InlineLineChanges {
    int lineIndex = 0;
    QList<InlineRange> ranges;

    friend bool operator==(const InlineLineChanges&, const InlineLineChanges&) = default;
};

// Lines longer than this are never compared word by word: minified or generated text, where
// highlighting helps nobody and costs much.
inline constexpr qsizetype maxInlineCompareLength = 10'000;

// The changed words of a removed line and the added line that replaces it.
struct InlineChangePair {
    QList<InlineRange> removed;
    QList<InlineRange> added;

    friend bool operator==(const InlineChangePair&, const InlineChangePair&) = default;
};

// Compares two line contents word by word (a word is a run of letters, digits and underscores;
// every other character stands alone). Both sides are empty when the lines share nothing but
// white space, since marking every word of a rewritten line says nothing the line colour does
// not, and when either line is longer than `maxInlineCompareLength`.
[[nodiscard]] InlineChangePair compareLineWords(QStringView removed, QStringView added);

// The changed ranges of a hunk's lines (element 0 is the header): within each block of removed
// lines followed by added lines, the k-th removed line is compared with the k-th added line.
// Lines without changes are left out; the result is ordered by line index.
[[nodiscard]] QList<InlineLineChanges> hunkInlineChanges(const QStringList& lines);

// The ranges of `lineIndex` in a list made by hunkInlineChanges, or null.
[[nodiscard]] const QList<InlineRange>* inlineRangesAt(const QList<InlineLineChanges>& changes,
                                                       int lineIndex);

} // namespace tolvane
