// Handing the keyboard back to the window the user was typing into, once a
// window of ours that took it (a pick list, the search window, a message
// box) goes away: left alone, the system gives it to the closed window's
// owner, the main window, and the user's next keys would edit the trigger
// file.
#include "platform/win32/win32_windows.h"

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


void give_keyboard_back(HWND window) {
    if (!window || !IsWindow(window)) return;
    SetForegroundWindow(window);
    // A plain foreground change lets the window take its own focus back, on
    // its own thread, a moment later: an output played before that would
    // miss it. Half a second at the most.
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    for (int waited = 0; waited < 500; waited += 10) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (GetForegroundWindow() == window && GetGUIThreadInfo(thread, &info) && info.hwndFocus &&
            (info.hwndFocus == window || IsChild(window, info.hwndFocus)))
            break;
        Sleep(10);
    }
    forget_stale_modifiers(thread);
}
