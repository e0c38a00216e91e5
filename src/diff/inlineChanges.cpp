#include "diff/inlineChanges.h"

#include <algorithm>
#include <vector>

namespace tolvane {

namespace {

struct Token {
    int start = 0;
    int length = 0;
    bool space = false;
};

bool isWordChar(QChar c) {
    return c == u'_' || (!c.isSurrogate() && c.isLetterOrNumber());
}

// Runs of word characters, runs of white space, and every other character (a surrogate pair
// counted as one) on its own.
void tokenize(QStringView text, std::vector<Token>& tokens) {
    tokens.clear();
    const int size = int(text.size());
    int i = 0;
    while (i < size) {
        const QChar c = text[i];
        int end = i + 1;
        bool space = false;
        if (isWordChar(c)) {
            while (end < size && isWordChar(text[end]))
                ++end;
        } else if (c.isSpace()) {
            space = true;
            while (end < size && text[end].isSpace())
                ++end;
        } else if (c.isHighSurrogate() && end < size && text[end].isLowSurrogate()) {
            ++end;
        }
        tokens.push_back({i, end - i, space});
        i = end;
    }
}

// Beyond this many cells the middle of a pair is not aligned word by word but marked as a whole:
// the table would cost more than the highlighting is worth.
constexpr size_t maxTableCells = 250'000;

// Marks in `changedA` / `changedB` the tokens that are not part of a longest common subsequence.
void markChanges(QStringView a, const std::vector<Token>& ta, QStringView b,
                 const std::vector<Token>& tb, std::vector<char>& changedA,
                 std::vector<char>& changedB) {
    const auto same = [&](size_t i, size_t j) {
        return ta[i].length == tb[j].length &&
               a.sliced(ta[i].start, ta[i].length) == b.sliced(tb[j].start, tb[j].length);
    };
    size_t lo = 0;
    while (lo < ta.size() && lo < tb.size() && same(lo, lo))
        ++lo;
    size_t endA = ta.size();
    size_t endB = tb.size();
    while (endA > lo && endB > lo && same(endA - 1, endB - 1)) {
        --endA;
        --endB;
    }
    const size_t n = endA - lo;
    const size_t m = endB - lo;
    if (n == 0 || m == 0 || n * m > maxTableCells) {
        std::fill(changedA.begin() + qsizetype(lo), changedA.begin() + qsizetype(endA), 1);
        std::fill(changedB.begin() + qsizetype(lo), changedB.begin() + qsizetype(endB), 1);
        return;
    }
    // Suffix table: len[i][j] is the common subsequence length of a[i..] and b[j..].
    thread_local std::vector<quint32> len;
    len.assign((n + 1) * (m + 1), 0);
    const auto at = [&](size_t i, size_t j) -> quint32& { return len[i * (m + 1) + j]; };
    for (size_t i = n; i-- > 0;) {
        for (size_t j = m; j-- > 0;)
            at(i, j) =
                same(lo + i, lo + j) ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    }
    size_t i = 0;
    size_t j = 0;
    while (i < n && j < m) {
        if (same(lo + i, lo + j)) {
            ++i;
            ++j;
        } else if (at(i + 1, j) >= at(i, j + 1)) {
            changedA[lo + i++] = 1;
        } else {
            changedB[lo + j++] = 1;
        }
    }
    for (; i < n; ++i)
        changedA[lo + i] = 1;
    for (; j < m; ++j)
        changedB[lo + j] = 1;
}

bool sharesText(const std::vector<Token>& tokens, const std::vector<char>& changed) {
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (!changed[i] && !tokens[i].space)
            return true;
    }
    return false;
}

// Changed tokens as character ranges. Changes separated only by unchanged white space form one
// range, and a range that holds more than white space does not begin or end with it.
QList<InlineRange> toRanges(const std::vector<Token>& tokens, const std::vector<char>& changed) {
    QList<InlineRange> ranges;
    size_t i = 0;
    while (i < tokens.size()) {
        if (!changed[i]) {
            ++i;
            continue;
        }
        size_t last = i;
        size_t j = i + 1;
        while (j < tokens.size()) {
            if (changed[j]) {
                last = j++;
            } else if (tokens[j].space && j + 1 < tokens.size() && changed[j + 1]) {
                j += 1;
            } else {
                break;
            }
        }
        size_t first = i;
        const bool allSpace =
            std::all_of(tokens.begin() + qsizetype(first), tokens.begin() + qsizetype(last) + 1,
                        [](const Token& t) { return t.space; });
        if (!allSpace) {
            while (tokens[first].space)
                ++first;
            while (tokens[last].space)
                --last;
        }
        const int start = tokens[first].start;
        ranges.append({start, tokens[last].start + tokens[last].length - start});
        i = j;
    }
    return ranges;
}

} // namespace

InlineChangePair compareLineWords(QStringView removed, QStringView added) {
    if (removed.size() > maxInlineCompareLength || added.size() > maxInlineCompareLength ||
        removed == added)
        return {};
    // Reused buffers: a large diff compares thousands of pairs on one worker thread.
    thread_local std::vector<Token> ta;
    thread_local std::vector<Token> tb;
    thread_local std::vector<char> changedA;
    thread_local std::vector<char> changedB;
    tokenize(removed, ta);
    tokenize(added, tb);
    changedA.assign(ta.size(), 0);
    changedB.assign(tb.size(), 0);
    markChanges(removed, ta, added, tb, changedA, changedB);
    if (!sharesText(ta, changedA))
        return {};
    return {toRanges(ta, changedA), toRanges(tb, changedB)};
}

QList<InlineLineChanges> hunkInlineChanges(const QStringList& lines) {
    QList<InlineLineChanges> result;
    const auto sign = [&](qsizetype i) {
        return lines.at(i).isEmpty() ? QChar(u' ') : lines.at(i).front();
    };
    std::vector<int> removals;
    std::vector<int> additions;
    qsizetype i = 1;
    while (i < lines.size()) {
        if (sign(i) != u'-') {
            ++i;
            continue;
        }
        // A block: removed lines, then added lines; "\ No newline" markers may sit in either run.
        removals.clear();
        additions.clear();
        for (; i < lines.size() && (sign(i) == u'-' || sign(i) == u'\\'); ++i) {
            if (sign(i) == u'-')
                removals.push_back(int(i));
        }
        for (; i < lines.size() && (sign(i) == u'+' || sign(i) == u'\\'); ++i) {
            if (sign(i) == u'+')
                additions.push_back(int(i));
        }
        const size_t pairs = std::min(removals.size(), additions.size());
        std::vector<InlineLineChanges> added;
        for (size_t k = 0; k < pairs; ++k) {
            InlineChangePair pair = compareLineWords(QStringView(lines.at(removals[k])).sliced(1),
                                                     QStringView(lines.at(additions[k])).sliced(1));
            if (!pair.removed.isEmpty())
                result.append({removals[k], std::move(pair.removed)});
            if (!pair.added.isEmpty())
                added.push_back({additions[k], std::move(pair.added)});
        }
        for (InlineLineChanges& change : added)
            result.append(std::move(change));
    }
    return result;
}

const QList<InlineRange>* inlineRangesAt(const QList<InlineLineChanges>& changes, int lineIndex) {
    const auto it =
        std::lower_bound(changes.begin(), changes.end(), lineIndex,
                         [](const InlineLineChanges& c, int index) { return c.lineIndex < index; });
    return it != changes.end() && it->lineIndex == lineIndex ? &it->ranges : nullptr;
}

} // namespace tolvane
