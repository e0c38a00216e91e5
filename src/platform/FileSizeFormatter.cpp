#include "platform/FileSizeFormatter.h"

#include <glib.h>

namespace tolvane {

QString formatFileSize(std::uint64_t bytes) {
    gchar* text = g_format_size(bytes);
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

} // namespace tolvane
