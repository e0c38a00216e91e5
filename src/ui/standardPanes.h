#pragma once

namespace tolvane {

class RepositoryState;
class RepositoryView;

// Fills a repository view with the program's inner views: the changes, branches, trees and tags
// pages, the history, the diff area and the blame area; and gives the state the application
// chooser its "Open With" > "Other…" item needs; a message's "Show Log" opens the log window.
void installStandardPanes(RepositoryView& view, RepositoryState& state);

} // namespace tolvane
