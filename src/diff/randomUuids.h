#pragma once

#include <QRandomGenerator>
#include <QUuid>
#include <array>

namespace tolvane {

namespace detail {

// xoshiro256** per thread, seeded once from the system's generator. Line ids only need to be
// unique, not secret, and a large diff needs tens of thousands of them at once.
class IdBits {
public:
    IdBits() {
        for (quint64& word : m_state)
            word = QRandomGenerator::system()->generate64();
    }
    quint64 next() {
        const quint64 result = rotl(m_state[1] * 5, 7) * 9;
        const quint64 t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = rotl(m_state[3], 45);
        return result;
    }

private:
    static quint64 rotl(quint64 x, int k) { return (x << k) | (x >> (64 - k)); }
    std::array<quint64, 4> m_state;
};

} // namespace detail

// Calls `assign(i, id)` for i in [0, count) with fresh random (version 4) UUIDs.
template <typename F> void assignRandomUuids(qsizetype count, F&& assign) {
    thread_local detail::IdBits bits;
    for (qsizetype i = 0; i < count; ++i) {
        const quint64 high = bits.next();
        const quint64 low = bits.next();
        const auto byte = [](quint64 word, int shift) { return uchar((word >> shift) & 0xff); };
        assign(i, QUuid(uint(high >> 32), ushort(high >> 16), ushort((high & 0x0fff) | 0x4000),
                        uchar((low & 0x3f) | 0x80), byte(low, 8), byte(low, 16), byte(low, 24),
                        byte(low, 32), byte(low, 40), byte(low, 48), byte(low, 56)));
    }
}

} // namespace tolvane
