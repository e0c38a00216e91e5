#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <vector>

namespace tolvane {

// Places the strings of one parse side by side in shared blocks rather than one allocation each:
// for thousands of short paths and names, allocating and freeing them was most of a parser's
// time. Every string handed out is an ordinary QString or QByteArray that holds a reference to
// its block, null-terminated as Qt expects; the block is freed with the last string in it, so a
// string kept long after its list holds at most one block alive. Changing such a string copies
// it first, as for any shared string.
//
// A block's references are counted in the block while the arena lives and handed to its shared
// count once, when the arena is destroyed, so that making or sharing a string costs no atomic
// operation. Until then no block is freed, and its strings, which may go to any thread, copy
// themselves before a change. An arena is used by one thread at a time.
//
// Blocks are built on Qt's own array layout, which was checked against Qt 6.4 only; built with
// any other Qt, every string is allocated on its own: the same strings, made more slowly.
class StringArena {
public:
    static constexpr bool usesSharedBlocks =
        QT_VERSION >= QT_VERSION_CHECK(6, 4, 0) && QT_VERSION < QT_VERSION_CHECK(6, 5, 0);

    StringArena() = default;
    StringArena(const StringArena&) = delete;
    StringArena& operator=(const StringArena&) = delete;
    ~StringArena();

    // Exactly decodeGitBytes(bytes) (see gitText.h).
    QString decode(QByteArrayView bytes) {
        // Inline for the common case, a short string that fits the current block.
        if (!bytes.isEmpty() && m_text.used + bytes.size() + 1 <= m_text.capacity) {
            char16_t* out = reinterpret_cast<char16_t*>(m_text.begin) + m_text.used;
            const qsizetype length = decodeInto(out, bytes);
            if (length >= 0)
                return textAt(out, length);
        }
        return decodeElsewhere(bytes);
    }
    // Exactly decodeGitBytes(first) + separator + decodeGitBytes(second).
    QString decodeJoined(QByteArrayView first, QStringView separator, QByteArrayView second);
    // A copy of text made elsewhere, so that it can be shared cheaply.
    QString place(QStringView text);
    // Another reference to a string this arena made, at no atomic operation.
    QString share(const QString& made);
    // Exactly bytes.toByteArray().
    QByteArray copy(QByteArrayView bytes);

private:
    struct Block {
        QArrayData* header = nullptr;
        char* begin = nullptr;  // the units, after the block's own count of references
        qsizetype capacity = 0; // in units
        qsizetype used = 0;
    };
    // Room for `units` units in the current block, or null when the string is better allocated
    // on its own.
    template <typename Unit> Unit* reserve(Block& block, qsizetype units);
    template <typename Unit> Unit* startBlock(Block& block);
    static qsizetype& references(char* begin) {
        return *reinterpret_cast<qsizetype*>(begin - sizeof(qsizetype));
    }
    // The decoded length of bytes written at `out` (room for bytes.size() units), or -1 when
    // they are not valid UTF-8, which decodeGitBytes then handles.
    static qsizetype decodeInto(char16_t* out, QByteArrayView bytes);
    // The string just written at `at` in the current block.
    QString textAt(char16_t* at, qsizetype length) {
        at[length] = u'\0';
        m_text.used += length + 1;
        ++references(m_text.begin);
        return QString(QString::DataPointer(static_cast<QTypedArrayData<char16_t>*>(m_text.header),
                                            at, length));
    }
    QString decodeElsewhere(QByteArrayView bytes);

    Block m_text;
    Block m_bytes;
    // Every block made, with where its units start, to be settled at the end.
    std::vector<std::pair<QArrayData*, char*>> m_textBlocks;
    std::vector<std::pair<QArrayData*, char*>> m_byteBlocks;
    qsizetype m_textOffset = -1; // from a block's header to its count
};

} // namespace tolvane
