#pragma once

#include <QString>

namespace tolvane {

// What git printed up to a byte limit; git is stopped once it prints more than that.
struct LimitedOutput {
    QString text;
    // False when git printed more than the limit and `text` holds only the beginning.
    bool complete = true;
    friend bool operator==(const LimitedOutput&, const LimitedOutput&) = default;
};

} // namespace tolvane
