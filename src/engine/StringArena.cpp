#include "engine/StringArena.h"

#include "engine/gitText.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <type_traits>

namespace tolvane {
namespace {

// Big enough that a block's own allocation is rare, small enough that a string outliving its
// list keeps little else alive.
constexpr qsizetype blockBytes = 16 * 1024;
// Longer strings get their own allocation rather than leave a block half empty.
constexpr qsizetype largestInBlock = blockBytes / 4;
// A block counts this many references of its own until it is settled, so that a string made
// and dropped during the parse can never free it.
constexpr int pendingReferences = 1 << 30;

// Widens ASCII bytes to UTF-16; false when a byte is not ASCII (what was written is then
// meaningless). Most strings are a few dozen bytes, too short for the compiler's vector loop to
// pay off, hence sixteen bytes at a time by hand where the processor allows.
bool widenAscii(char16_t* out, QByteArrayView bytes) {
    const auto* in = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= size; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        if (_mm_movemask_epi8(chunk) != 0)
            return false;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(chunk, zero));
    }
    // The rest as the last sixteen bytes, overlapping what is done already.
    if (i < size && size >= 16) {
        const qsizetype last = size - 16;
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + last));
        if (_mm_movemask_epi8(chunk) != 0)
            return false;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + last), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + last + 8),
                         _mm_unpackhi_epi8(chunk, zero));
        return true;
    }
#endif
    uchar high = 0;
    for (; i < size; ++i) {
        out[i] = in[i];
        high |= in[i];
    }
    return high < 0x80;
}

// Decodes valid UTF-8 to UTF-16 under the rules decodeGitBytes applies, keeping byte order marks
// as it does; -1 when the bytes are not valid UTF-8, which decodeGitBytes then handles.
qsizetype decodeUtf8(char16_t* out, QByteArrayView bytes) {
    char16_t* const start = out;
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t value = uchar(bytes[i]);
        const qsizetype length = value < 0x80 ? 1 : utf8SequenceAt(bytes, i, value);
        if (length == 0)
            return -1;
        if (value >= 0x10000) {
            *out++ = char16_t(0xD800 + ((value - 0x10000) >> 10));
            *out++ = char16_t(0xDC00 + ((value - 0x10000) & 0x3FF));
        } else {
            *out++ = char16_t(value);
        }
        i += length;
    }
    return out - start;
}

} // namespace

qsizetype StringArena::decodeInto(char16_t* out, QByteArrayView bytes) {
    if (widenAscii(out, bytes))
        return bytes.size();
    return decodeUtf8(out, bytes);
}

template <typename Unit> Unit* StringArena::startBlock(Block& block) {
    auto [header, data] = QTypedArrayData<Unit>::allocate(blockBytes / qsizetype(sizeof(Unit)));
    if (!header)
        return nullptr;
    header->ref_.storeRelaxed(pendingReferences);
    // The count of references handed out sits in front of the units.
    char* const begin = reinterpret_cast<char*>(data) + sizeof(qsizetype);
    references(begin) = 0;
    const qsizetype capacity = header->alloc - qsizetype(sizeof(qsizetype) / sizeof(Unit));
    block = Block{header, begin, capacity, 0};
    if constexpr (std::is_same_v<Unit, char16_t>) {
        m_textOffset = begin - sizeof(qsizetype) - reinterpret_cast<char*>(header);
        m_textBlocks.emplace_back(header, begin);
    } else {
        m_byteBlocks.emplace_back(header, begin);
    }
    return reinterpret_cast<Unit*>(begin);
}

template <typename Unit> Unit* StringArena::reserve(Block& block, qsizetype units) {
    if constexpr (!usesSharedBlocks)
        return nullptr;
    if (units * qsizetype(sizeof(Unit)) > largestInBlock)
        return nullptr;
    if (block.used + units > block.capacity)
        return startBlock<Unit>(block);
    return reinterpret_cast<Unit*>(block.begin) + block.used;
}

StringArena::~StringArena() {
    const auto settle = [](const auto& blocks, auto typed) {
        using Data = std::remove_pointer_t<decltype(typed)>;
        for (const auto& [header, begin] : blocks) {
            const int change = int(references(begin)) - pendingReferences;
            if (header->ref_.fetchAndAddOrdered(change) + change == 0)
                Data::deallocate(header);
        }
    };
    settle(m_textBlocks, static_cast<QTypedArrayData<char16_t>*>(nullptr));
    settle(m_byteBlocks, static_cast<QTypedArrayData<char>*>(nullptr));
}

QString StringArena::decodeElsewhere(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return decodeGitBytes(bytes);
    char16_t* out = reserve<char16_t>(m_text, bytes.size() + 1);
    if (!out)
        return decodeGitBytes(bytes);
    const qsizetype length = decodeInto(out, bytes);
    if (length < 0)
        return decodeGitBytes(bytes);
    return textAt(out, length);
}

QString StringArena::decodeJoined(QByteArrayView first, QStringView separator,
                                  QByteArrayView second) {
    const auto separately = [&] {
        QString text = decodeGitBytes(first);
        text += separator;
        text += decodeGitBytes(second);
        return text;
    };
    if (first.isEmpty() || second.isEmpty())
        return separately();
    char16_t* out = reserve<char16_t>(m_text, first.size() + separator.size() + second.size() + 1);
    if (!out)
        return separately();
    const qsizetype firstLength = decodeInto(out, first);
    if (firstLength < 0)
        return separately();
    char16_t* const middle = out + firstLength;
    std::memcpy(middle, separator.utf16(), size_t(separator.size()) * sizeof(char16_t));
    const qsizetype secondLength = decodeInto(middle + separator.size(), second);
    if (secondLength < 0)
        return separately();
    return textAt(out, firstLength + separator.size() + secondLength);
}

QString StringArena::place(QStringView text) {
    if (text.isEmpty())
        return text.toString();
    char16_t* out = reserve<char16_t>(m_text, text.size() + 1);
    if (!out)
        return text.toString();
    std::memcpy(out, text.utf16(), size_t(text.size()) * sizeof(char16_t));
    return textAt(out, text.size());
}

QString StringArena::share(const QString& made) {
    auto* header = const_cast<QString&>(made).data_ptr().d_ptr();
    // Only a block not yet settled holds the pending references (a string made elsewhere, or
    // by an arena since settled, is shared as usual).
    if (!header || m_textOffset < 0 || header->ref_.loadRelaxed() < pendingReferences / 2)
        return made;
    ++*reinterpret_cast<qsizetype*>(reinterpret_cast<char*>(header) + m_textOffset);
    return QString(
        QString::DataPointer(header, const_cast<char16_t*>(made.data_ptr().data()), made.size()));
}

QByteArray StringArena::copy(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return bytes.toByteArray();
    char* out = reserve<char>(m_bytes, bytes.size() + 1);
    if (!out)
        return bytes.toByteArray();
    std::memcpy(out, bytes.data(), size_t(bytes.size()));
    out[bytes.size()] = '\0';
    m_bytes.used += bytes.size() + 1;
    ++references(m_bytes.begin);
    return QByteArray(QByteArray::DataPointer(static_cast<QTypedArrayData<char>*>(m_bytes.header),
                                              out, bytes.size()));
}

} // namespace tolvane
