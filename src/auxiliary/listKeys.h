#pragma once

#include <Qt>

namespace tolvane {

// Where the keyboard focus is, as far as the list keys care.
enum class KeyFocus {
    Elsewhere,  // no pane of the repository view (another control, the preview panel, nothing)
    FileList,   // the changes list
    CommitList, // the history list
    Detail,     // the diff or blame area
    Button,     // a control that answers Space and Enter itself
};

// What the application-wide key handler knows when a key goes down.
struct KeyContext {
    bool hasRepository = false;   // an active tab with its repository state
    bool changesPage = false;     // its sidebar shows the Changes page
    bool fileListFocused = false; // the state's own note: the last selection was a file
    KeyFocus focus = KeyFocus::Elsewhere;
    bool editingText = false; // an editable text field has the keyboard
    bool fileSelected = false;
    bool commitSelected = false;
    bool previewVisible = false;
};

enum class ListTarget { None, Files, Commits };
enum class ListMotion { Previous, Next, First, Last, PageUp, PageDown };

struct KeyRoute {
    enum class Action {
        PassOn,        // the event goes on to its widget
        Move,          // move the selection of `list` by `motion`
        TogglePreview, // open or close the preview panel for the selected file
        OpenDiff,      // show the selected item's diff and give it the keyboard
        NextPane,      // focus the next pane (files, history, diff)
        PreviousPane,
        ClosePreview, // hide the preview panel
        Stage,        // stage the selected unstaged files
        Unstage,      // unstage the selected staged files
    };
    Action action = Action::PassOn;
    ListTarget list = ListTarget::None;
    ListMotion motion = ListMotion::Next;
    bool extending = false; // Shift held: grow the selection from its anchor

    friend bool operator==(const KeyRoute&, const KeyRoute&) = default;
};

// Decides what a key press means for the lists. Only the Changes page is handled; a key is left
// alone while text is edited or with Control, Alt or Meta held.
KeyRoute routeListKey(int key, Qt::KeyboardModifiers modifiers, const KeyContext& context);

// The row a jump (First, Last, PageUp, PageDown) lands on in a list of `count` rows with `current`
// selected (-1: none), when a page holds `pageRows` rows; it stops at the ends. Previous and Next
// are the state's own operations and wrap around; here they step one row. -1 for an empty list.
int motionTarget(ListMotion motion, int current, int count, int pageRows);

} // namespace tolvane
