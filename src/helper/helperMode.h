#pragma once

#include <optional>

namespace tolvane {

// When the program was started under one of the helper names that git and ssh run (links in the
// prompt channel's folder), does that job and returns its exit status; otherwise none, and the
// program starts as usual. Call first thing in main, before any window.
std::optional<int> runHelperIfInvoked(int argc, char* argv[]);

} // namespace tolvane
