#include "engine/binaryNumstat.h"

namespace tolvane {

bool numstatShowsBinary(const QString& output) {
    return output.startsWith(u"-\t-\t");
}

} // namespace tolvane
