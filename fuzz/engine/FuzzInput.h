#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

namespace tolvane::fuzz {

// The first byte picks how the rest becomes text: UTF-8 (what git prints, stray NULs and all)
// or raw UTF-16, which also reaches lone surrogates that no decoder would produce.
inline QString textFrom(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return {};
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const qsizetype length = qsizetype(size - 1);
    if (data[0] & 1)
        return QString(reinterpret_cast<const QChar*>(QByteArray(rest, length).constData()),
                       length / 2);
    return QString::fromUtf8(rest, length);
}

inline void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

} // namespace tolvane::fuzz
