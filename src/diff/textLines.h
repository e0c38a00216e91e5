#pragma once

#include <QStringView>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tolvane {

// The first line feed in [p, end), or end. Diff lines are short, so the per-call overhead of the
// library search dominated; this scans eight characters at a time inline.
inline const QChar* findLineFeed(const QChar* p, const QChar* end) {
#ifdef __SSE2__
    const __m128i lineFeed = _mm_set1_epi16('\n');
    while (end - p >= 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(chunk, lineFeed));
        if (mask != 0)
            return p + __builtin_ctz(unsigned(mask)) / 2;
        p += 8;
    }
#endif
    while (p < end && p->unicode() != u'\n')
        ++p;
    return p;
}

// Calls `f` with every line of `text`, split at line feeds only. A text that ends with a line feed
// yields a last, empty line, and an empty text yields one empty line.
template <typename F> void forEachLine(QStringView text, F&& f) {
    const QChar* start = text.data();
    const QChar* const end = start + text.size();
    for (;;) {
        const QChar* lineEnd = findLineFeed(start, end);
        f(QStringView(start, lineEnd));
        if (lineEnd == end)
            return;
        start = lineEnd + 1;
    }
}

// Whether `line` begins with `prefix`; a plain loop, as this runs for every line of large diffs.
template <size_t N> bool hasPrefix(QStringView line, const char16_t (&prefix)[N]) {
    constexpr qsizetype length = N - 1;
    if (line.size() < length)
        return false;
    for (qsizetype i = 0; i < length; ++i) {
        if (line[i] != QChar(prefix[i]))
            return false;
    }
    return true;
}

} // namespace tolvane
