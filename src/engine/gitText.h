#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace tolvane {

// git prints file names and commit messages as raw bytes that need not be UTF-8. We decode them
// losslessly: every byte that is not part of valid UTF-8 becomes the lone surrogate U+DC80 + byte
// (as Python's "surrogateescape"), so encoding the text again gives git back its exact bytes.

// Decodes UTF-8, keeping invalid bytes as escaped surrogates.
QString decodeGitBytes(QByteArrayView bytes);

// The length of the valid UTF-8 sequence at `i`, with its code point in `value`; 0 when the
// bytes there are not one (overlong forms, surrogates and values past U+10FFFF are not).
qsizetype utf8SequenceAt(QByteArrayView bytes, qsizetype i, char32_t& value);

// The exact bytes decodeGitBytes was given; ordinary text is encoded as UTF-8.
QByteArray encodeGitBytes(QStringView text);

// True when the text holds at least one escaped byte.
bool hasEscapedBytes(QStringView text);

// The text for people to read: each escaped byte shows as the replacement character U+FFFD.
QString displayText(QStringView text);

} // namespace tolvane
