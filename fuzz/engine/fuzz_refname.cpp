#include "FuzzInput.h"
#include "engine/AppKitDialogs.h"
#include "engine/lineSplitting.h"

using namespace tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString name = fuzz::textFrom(data, size);
    if (!AppKitDialogs::validateRefName(name)) {
        // Whatever passes has no spaces, no "..", and no control characters.
        const QStringView trimmed = trimSpacesAndTabs(name);
        fuzz::check(!trimmed.contains(u' ') && !trimmed.contains(u".."));
        fuzz::check(!trimmed.isEmpty());
        for (const char32_t scalar : trimmed.toUcs4())
            fuzz::check(scalar >= 0x20 && scalar != 0x7F);
    }
    return 0;
}
