#include "diff/randomUuids.h"

#include <QRandomGenerator>
#include <vector>

namespace tolvane {

QList<QUuid> randomUuids(qsizetype count) {
    QList<QUuid> ids;
    if (count <= 0)
        return ids;
    std::vector<quint32> words(static_cast<size_t>(count) * 4);
    QRandomGenerator::global()->fillRange(words.data(), words.size());
    ids.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const quint32* w = words.data() + i * 4;
        const auto byte = [](quint32 word, int shift) { return uchar((word >> shift) & 0xff); };
        ids.append(QUuid(w[0], ushort(w[1] & 0xffff), ushort(((w[1] >> 16) & 0x0fff) | 0x4000),
                         uchar((w[2] & 0x3f) | 0x80), byte(w[2], 8), byte(w[2], 16), byte(w[2], 24),
                         byte(w[3], 0), byte(w[3], 8), byte(w[3], 16), byte(w[3], 24)));
    }
    return ids;
}

} // namespace tolvane
