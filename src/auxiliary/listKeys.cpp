#include "auxiliary/listKeys.h"

#include <algorithm>

namespace tolvane {
namespace {

KeyRoute move(ListTarget list, ListMotion motion, bool extending) {
    return KeyRoute{
        .action = KeyRoute::Action::Move, .list = list, .motion = motion, .extending = extending};
}

KeyRoute act(KeyRoute::Action action, ListTarget list = ListTarget::None) {
    return KeyRoute{.action = action, .list = list};
}

// The list a key focus names, if any.
ListTarget focusedList(KeyFocus focus) {
    switch (focus) {
    case KeyFocus::FileList:
        return ListTarget::Files;
    case KeyFocus::CommitList:
        return ListTarget::Commits;
    default:
        return ListTarget::None;
    }
}

} // namespace

KeyRoute routeListKey(int key, Qt::KeyboardModifiers modifiers, const KeyContext& context) {
    if (!context.hasRepository || !context.changesPage || context.editingText)
        return {};
    // The arrows of the number pad carry their own flag; it means nothing here.
    modifiers &= ~Qt::KeypadModifier;
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {};
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const ListTarget focused = focusedList(context.focus);
    // A list with the keyboard speaks for itself; otherwise the last selection decides.
    const ListTarget current = focused != ListTarget::None ? focused
                               : context.fileListFocused   ? ListTarget::Files
                                                           : ListTarget::Commits;
    const bool inPane = focused != ListTarget::None || context.focus == KeyFocus::Detail;

    switch (key) {
    case Qt::Key_Up:
        return move(current, ListMotion::Previous, shift);
    case Qt::Key_Down:
        return move(current, ListMotion::Next, shift);
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        if (focused == ListTarget::None)
            return {};
        const ListMotion motion = key == Qt::Key_Home     ? ListMotion::First
                                  : key == Qt::Key_End    ? ListMotion::Last
                                  : key == Qt::Key_PageUp ? ListMotion::PageUp
                                                          : ListMotion::PageDown;
        return move(focused, motion, shift);
    }
    case Qt::Key_Space:
        if (shift || context.focus == KeyFocus::Button || current != ListTarget::Files)
            return {};
        if (!context.fileSelected && !context.previewVisible)
            return {};
        return act(KeyRoute::Action::TogglePreview, ListTarget::Files);
    case Qt::Key_Escape:
        return context.previewVisible && !shift ? act(KeyRoute::Action::ClosePreview) : KeyRoute{};
    case Qt::Key_S:
    case Qt::Key_U:
        // Only with the keyboard in the file list: elsewhere a letter may mean something else.
        if (shift || focused != ListTarget::Files || !context.fileSelected)
            return {};
        return act(key == Qt::Key_S ? KeyRoute::Action::Stage : KeyRoute::Action::Unstage,
                   ListTarget::Files);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (shift)
            return {};
        if (focused == ListTarget::Files && context.fileSelected)
            return act(KeyRoute::Action::OpenDiff, ListTarget::Files);
        if (focused == ListTarget::Commits && context.commitSelected)
            return act(KeyRoute::Action::OpenDiff, ListTarget::Commits);
        return {};
    case Qt::Key_Tab:
        return inPane && !shift ? act(KeyRoute::Action::NextPane) : KeyRoute{};
    case Qt::Key_Backtab:
        return inPane ? act(KeyRoute::Action::PreviousPane) : KeyRoute{};
    default:
        return {};
    }
}

int motionTarget(ListMotion motion, int current, int count, int pageRows) {
    if (count <= 0)
        return -1;
    const int page = std::max(1, pageRows);
    const int last = count - 1;
    switch (motion) {
    case ListMotion::First:
        return 0;
    case ListMotion::Last:
        return last;
    case ListMotion::PageUp:
        return current < 0 ? 0 : std::max(0, current - page);
    case ListMotion::PageDown:
        return current < 0 ? 0 : std::min(last, current + page);
    case ListMotion::Previous:
        return current < 0 ? 0 : current == 0 ? last : current - 1;
    case ListMotion::Next:
        return current < 0 || current >= last ? 0 : current + 1;
    }
    return -1;
}

} // namespace tolvane
