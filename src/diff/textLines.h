#pragma once

#include <QStringView>

namespace tolvane {

// Calls `f` with every line of `text`, split at line feeds only. A text that ends with a line feed
// yields a last, empty line, and an empty text yields one empty line.
template <typename F> void forEachLine(QStringView text, F&& f) {
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(u'\n', start);
        if (end < 0) {
            f(text.sliced(start));
            return;
        }
        f(text.sliced(start, end - start));
        start = end + 1;
    }
}

} // namespace tolvane
