#include "engine/gitText.h"

#include <algorithm>
#include <cstring>

namespace tolvane {
namespace {

constexpr char16_t escapeBase = 0xDC00;

bool inEscapeRange(char16_t c) {
    return c >= 0xDC80 && c <= 0xDCFF;
}

// An escaped byte is a lone low surrogate: the same unit after a high surrogate is the second
// half of a real character (U+1F4DD, say, ends in U+DCDD).
bool isEscapedByte(QStringView text, qsizetype i) {
    return inEscapeRange(text[i].unicode()) && (i == 0 || !text[i - 1].isHighSurrogate());
}

// Length of the valid UTF-8 sequence starting at `i`, or 0 when the bytes there are not one.
qsizetype validSequenceLength(QByteArrayView bytes, qsizetype i) {
    char32_t value = 0;
    return utf8SequenceAt(bytes, i, value);
}

// Index of the first byte at or after `from` that is not ASCII, or the size when there is none.
qsizetype skipAscii(QByteArrayView bytes, qsizetype from) {
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype i = from;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, data + i, 8);
        if (word & 0x8080808080808080ull)
            break;
    }
    while (i < size && static_cast<unsigned char>(data[i]) < 0x80)
        ++i;
    return i;
}

bool isValidUtf8(QByteArrayView bytes, qsizetype from) {
    qsizetype i = from;
    while (i < bytes.size()) {
        const qsizetype length = validSequenceLength(bytes, i);
        if (length == 0)
            return false;
        i = skipAscii(bytes, i + length);
    }
    return true;
}

// QString::fromUtf8 drops a byte order mark at the start, which would lose three of git's bytes
// (a message or file name may well begin with one).
QString fromValidUtf8(QByteArrayView bytes) {
    // QString::fromUtf8 drops a byte-order mark at the start, and then the next one too.
    qsizetype marks = 0;
    while (bytes.sliced(marks * 3).startsWith("\xEF\xBB\xBF"))
        ++marks;
    if (marks == 0)
        return QString::fromUtf8(bytes);
    return QString(marks, QChar(char16_t(0xFEFF))) + QString::fromUtf8(bytes.sliced(marks * 3));
}

} // namespace

qsizetype utf8SequenceAt(QByteArrayView bytes, qsizetype i, char32_t& value) {
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        value = lead;
        return 1;
    }
    qsizetype length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (qsizetype k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

QString decodeGitBytes(QByteArrayView bytes) {
    // Almost all output is ASCII, and nearly all the rest valid UTF-8: check before converting,
    // so that the common cases take one pass each.
    const qsizetype firstOther = skipAscii(bytes, 0);
    if (firstOther == bytes.size())
        return QString::fromLatin1(bytes);
    if (isValidUtf8(bytes, firstOther))
        return fromValidUtf8(bytes);
    QString text;
    text.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype length = validSequenceLength(bytes, i);
        if (length == 0) {
            text.append(QChar(char16_t(escapeBase + static_cast<unsigned char>(bytes[i]))));
            ++i;
            continue;
        }
        qsizetype end = i + length;
        while (end < bytes.size()) {
            const qsizetype next = validSequenceLength(bytes, end);
            if (next == 0)
                break;
            end += next;
        }
        text.append(fromValidUtf8(bytes.sliced(i, end - i)));
        i = end;
    }
    return text;
}

QByteArray encodeGitBytes(QStringView text) {
    if (!hasEscapedBytes(text))
        return text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isEscapedByte(text, i))
            continue;
        bytes.append(text.sliced(start, i - start).toUtf8());
        bytes.append(char(text[i].unicode() - escapeBase));
        start = i + 1;
    }
    bytes.append(text.sliced(start).toUtf8());
    return bytes;
}

bool hasEscapedBytes(QStringView text) {
    // Blocks without an early exit inside, so that the compiler can vectorize the test.
    const char16_t* data = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype start = 0; start < size; start += 64) {
        const qsizetype end = std::min(size, start + 64);
        bool found = false;
        for (qsizetype i = start; i < end; ++i)
            found |= char16_t(data[i] - 0xDC80) < 0x80;
        // Rare: a unit in the range, which may still be half of a real character.
        if (found) {
            for (qsizetype i = start; i < end; ++i) {
                if (isEscapedByte(text, i))
                    return true;
            }
        }
    }
    return false;
}

QString displayText(QStringView text) {
    QString shown = text.toString();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (isEscapedByte(text, i))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

} // namespace tolvane
