#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace tolvane {

// The text of bytes that must be valid UTF-8 as a whole (a stored token or path, a text file
// shown as it is), or none when any byte sequence is not.
std::optional<QString> strictUtf8(QByteArrayView bytes);

} // namespace tolvane
