#pragma once

#include <QByteArrayView>

namespace tolvane {

// How often `first` is directly followed by `second`, to size a parser's list before it is
// filled: growing a list of large values copies all of them, more than once. Counted in short
// runs with a narrow counter so that the compiler keeps the loop in vector registers; a plain
// count widens every comparison to a 64-bit sum and took a fifth of a parse.
inline qsizetype countPair(QByteArrayView bytes, char first, char second) {
    const char* data = bytes.data();
    const qsizetype pairs = bytes.size() - 1;
    qsizetype total = 0;
    qsizetype i = 0;
    for (; i + 255 <= pairs; i += 255) {
        unsigned char run = 0;
        for (qsizetype k = 0; k < 255; ++k)
            run += (data[i + k] == first) & (data[i + k + 1] == second);
        total += run;
    }
    for (; i < pairs; ++i)
        total += (data[i] == first) & (data[i + 1] == second);
    return total;
}

// How often `byte` occurs.
inline qsizetype countByte(QByteArrayView bytes, char byte) {
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype total = 0;
    qsizetype i = 0;
    for (; i + 255 <= size; i += 255) {
        unsigned char run = 0;
        for (qsizetype k = 0; k < 255; ++k)
            run += data[i + k] == byte;
        total += run;
    }
    for (; i < size; ++i)
        total += data[i] == byte;
    return total;
}

} // namespace tolvane
