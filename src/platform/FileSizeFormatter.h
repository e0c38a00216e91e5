#pragma once

#include <QString>
#include <cstdint>

namespace tolvane {

// A file size the way the desktop's file manager shows it ("5.0 MB", decimal units).
QString formatFileSize(std::uint64_t bytes);

} // namespace tolvane
