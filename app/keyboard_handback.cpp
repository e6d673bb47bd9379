#include "app/keyboard_handback.h"

#include <initializer_list>

namespace {
// Runs `action` with this thread's input joined to `thread`'s, so that key
// state and focus calls reach that thread's queue.
template <typename Action> void with_input_of(DWORD thread, Action action) {
    const DWORD mine = GetCurrentThreadId();
    if (thread == 0) return;
    if (thread == mine) {
        action();
        return;
    }
    if (!AttachThreadInput(mine, thread, TRUE)) return;
    action();
    AttachThreadInput(mine, thread, FALSE);
}
} // namespace

void forget_stale_modifiers(DWORD thread) {
    if (thread == GetCurrentThreadId()) return;
    with_input_of(thread, [] {
        BYTE state[256] = {};
        if (!GetKeyboardState(state)) return;
        for (const int vk : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LSHIFT, VK_RSHIFT, VK_LCONTROL,
                             VK_RCONTROL, VK_LMENU, VK_RMENU, VK_LWIN, VK_RWIN})
            if (!(GetAsyncKeyState(vk) & 0x8000)) state[vk] &= 0x7F;
        SetKeyboardState(state);
    });
}

void restore_focus(HWND window, HWND control) {
    if (!control || !IsWindow(control) || !IsChild(window, control)) return;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus == control) return;
    with_input_of(thread, [control] { SetFocus(control); });
}
