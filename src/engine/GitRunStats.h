#pragma once

#include <atomic>
#include <cstdint>

namespace tolvane {

// Cheap counters of the git processes the runner waited for, read by benchmarks to compare a
// refresh with the time git itself took.
struct GitRunStats {
    static inline std::atomic<std::int64_t> processNanoseconds{0};
    static inline std::atomic<std::int64_t> processCount{0};

    static void reset() {
        processNanoseconds = 0;
        processCount = 0;
    }
};

} // namespace tolvane
