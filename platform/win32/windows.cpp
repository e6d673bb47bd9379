// Windows: the program's main window as the shell gave it, and the windows
// of other programs, found, read and brought forward.
#include "platform/platform.h"
#include "platform/win32/backend.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_windows.h"

#include "common/text.h"
#include "common/utf8.h"

#include <string>

namespace {
// The main window: it owns the timers, the clipboard while a paste is out,
// the raw input registration and the message boxes.
HWND main_window = nullptr;

// How long a window may take to answer before it is taken as hung.
constexpr UINT activation_timeout_ms = 300;

// The file name of the program that runs `process` ("winword.exe").
std::string executable_of(HANDLE process) {
    std::wstring image(32768, L'\0');
    DWORD length = 32767;
    if (!QueryFullProcessImageNameW(process, 0, &image[0], &length)) return {};
    image.resize(length);
    const std::size_t slash = image.find_last_of(L"\\/");
    return narrow(image.substr(slash == std::wstring::npos ? 0 : slash + 1).c_str());
}
} // namespace

void win32_set_main_window(HWND window) {
    main_window = window;
}
HWND win32_main_window() {
    return main_window;
}

WindowId foreground_window() {
    return id_of(GetForegroundWindow());
}

FrontProgram front_program() {
    FrontProgram front;
    const HWND window = GetForegroundWindow();
    if (!window) return front;
    front.window = id_of(window);
    wchar_t text[512] = {};
    // The title without waiting on a window that does not answer.
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 511, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        activation_timeout_ms, &copied);
    text[511] = L'\0';
    front.title = narrow(text);
    text[0] = L'\0';
    GetClassNameW(window, text, 511);
    front.window_class = narrow(text);
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    const ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
    if (!process) return front;
    front.exe = executable_of(process.get());
    front.elevated = runs_with_more_rights(process.get());
    return front;
}

ScreenRect window_rect(WindowId window) {
    RECT rect{0, 0, 0, 0};
    if (window) GetWindowRect(hwnd_of(window), &rect);
    return ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

WindowId find_top_window(const char* title) {
    return id_of(FindWindowW(nullptr, widen(title ? title : "").c_str()));
}
WindowId next_window(WindowId window) {
    return id_of(GetWindow(hwnd_of(window), GW_HWNDNEXT));
}

bool window_title(WindowId window, char* out, std::size_t capacity, uint32_t timeout_ms) {
    if (!out || capacity == 0) return false;
    out[0] = '\0';
    wchar_t wide[512] = {};
    DWORD_PTR copied = 0;
    const LRESULT answered =
        SendMessageTimeoutW(hwnd_of(window), WM_GETTEXT, sizeof wide / sizeof wide[0] - 1,
                            reinterpret_cast<LPARAM>(wide), SMTO_NORMAL, timeout_ms, &copied);
    wide[sizeof wide / sizeof wide[0] - 1] = L'\0';
    const std::string title = narrow(wide);
    // Cut only between characters.
    copy_bounded(out, capacity,
                 std::string_view(title).substr(0, utf8_prefix(title, capacity - 1)));
    return answered != 0;
}

bool is_window(WindowId window) {
    return window && IsWindow(hwnd_of(window));
}
bool is_minimized(WindowId window) {
    return IsIconic(hwnd_of(window)) != 0;
}

void bring_window_forward(WindowId window, bool restore) {
    const HWND target = hwnd_of(window);
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 1, nullptr, 0);
    ShowWindowAsync(target, restore ? SW_RESTORE : SW_SHOW);
    // A program that does not answer would hold us in every call below that
    // waits for it; such a window only gets the calls that do not wait.
    DWORD_PTR result = 0;
    const bool answers = SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                             activation_timeout_ms, &result) != 0;
    if (answers) {
        UpdateWindow(target);
        // The system command that activates the window named in lParam.
        SendMessageTimeoutW(target, WM_SYSCOMMAND, SC_HOTKEY, reinterpret_cast<LPARAM>(target),
                            SMTO_NORMAL | SMTO_ABORTIFHUNG, activation_timeout_ms, &result);
    }
    UINT position_flags = SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED | SWP_SHOWWINDOW;
    if (!answers) position_flags |= SWP_ASYNCWINDOWPOS;
    SetWindowPos(target, HWND_TOP, 0, 0, 0, 0, position_flags);
    if (answers) BringWindowToTop(target);
    SetForegroundWindow(target);
    SetActiveWindow(target);
    SetFocus(target);
}
