#include "engine/gitText.h"

namespace tolvane {
namespace {

constexpr char16_t escapeBase = 0xDC00;

bool isEscapedByte(char16_t c) {
    return c >= 0xDC80 && c <= 0xDCFF;
}

// Length of the valid UTF-8 sequence starting at `i`, or 0 when the bytes there are not one.
qsizetype validSequenceLength(QByteArrayView bytes, qsizetype i) {
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    char32_t minimum = 0;
    char32_t value = 0;
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
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString decodeGitBytes(QByteArrayView bytes) {
    // Fast path: almost all output is valid UTF-8.
    QString text = QString::fromUtf8(bytes);
    if (!text.contains(QChar::ReplacementCharacter))
        return text;
    text.clear();
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
        text.append(QString::fromUtf8(bytes.sliced(i, end - i)));
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
        if (!isEscapedByte(text[i].unicode()))
            continue;
        bytes.append(text.sliced(start, i - start).toUtf8());
        bytes.append(char(text[i].unicode() - escapeBase));
        start = i + 1;
    }
    bytes.append(text.sliced(start).toUtf8());
    return bytes;
}

bool hasEscapedBytes(QStringView text) {
    for (const QChar c : text) {
        if (isEscapedByte(c.unicode()))
            return true;
    }
    return false;
}

QString displayText(QStringView text) {
    QString shown = text.toString();
    for (QChar& c : shown) {
        if (isEscapedByte(c.unicode()))
            c = QChar::ReplacementCharacter;
    }
    return shown;
}

} // namespace tolvane
