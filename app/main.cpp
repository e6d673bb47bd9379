// Start-up: the single-instance rule, the settings and trigger file paths,
// the main window, the first load of the trigger file, the polling timer and
// the message loop.
#include "app/shell.h"

#include "app/form_window.h"
#include "app/popup.h"
#include "engine/engine.h"
#include "platform/win32/wide.h"

#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <random>

Shell shell;
const wchar_t* const main_class_name = L"QuillomatClass";

namespace {
constexpr int default_window_width = 780; // at 96 DPI
constexpr int default_window_height = 550;

// One program per user session: the first start owns this mutex for as long
// as it runs; a later one, however close behind, finds it taken.
constexpr const wchar_t* instance_mutex = L"Local\\Quillomat.SingleInstance";

// A second start only wakes the running instance.
bool wake_running_instance() {
    HWND running = FindWindowW(main_class_name, nullptr);
    if (!running || !IsWindow(running)) return false;
    if (!IsWindowVisible(running)) {
        ShowWindow(running, SW_SHOWNORMAL);
        tray_icon_remove(running);
    } else if (IsIconic(running)) {
        ShowWindow(running, SW_RESTORE);
    }
    BringWindowToTop(running);
    SetForegroundWindow(running);
    return true;
}

bool is_netbook() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) && equal_nocase(narrow(name).c_str(), "NETBOOK", 8);
}

// The trigger file to load at start, and what to do if it is missing.
struct StartFile {
    std::string path;
    IfMissing if_missing = IfMissing::write_examples;
};

// The settings file is the program's path with ".ini" for its extension;
// the default trigger file the same with ".txt". The trigger file is the
// one the settings name, or that default when they name none or a folder.
// A file they name that is not there (yet: a folder a sync tool has not
// filled) keeps its name and is waited for; only the default gets the examples.
StartFile derive_paths(std::string* settings_problem) {
    copy_bounded(shell.settings_path, path_capacity, with_extension(program_path(), ".ini"));
    *settings_problem = load_settings_file();
    const std::string fallback = with_extension(shell.settings_path, ".txt");
    char named[path_capacity] = {};
    setting_text("file", named, path_capacity - 1);
    if (!named[0]) return {fallback};
    const DWORD attributes = GetFileAttributesW(file_path(named).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {fallback};
    const bool is_default = fallback.size() == std::strlen(named) &&
                            equal_nocase(fallback.c_str(), named, fallback.size());
    if (attributes == INVALID_FILE_ATTRIBUTES && !is_default) return {named, IfMissing::wait};
    return {named};
}

bool option(const char* key) {
    return setting_present(key) ? (setting_int(key) & 0xFF) != 0 : true;
}

void warn(const char* text) {
    MessageBoxW(nullptr, widen(text).c_str(), L"Quillomat",
                MB_ICONWARNING | MB_TASKMODAL | MB_SETFOREGROUND);
}

int show_command() {
    char start[64] = {};
    setting_text("window_start", start, 63);
    if (equal_nocase(start, "maximized", 10)) return SW_SHOWMAXIMIZED;
    if (equal_nocase(start, "minimized", 10)) return SW_MINIMIZE;
    return SW_SHOW;
}

} // namespace

namespace {
// A second start wakes the first. Started at the same moment, the first may
// not have its window yet: it is waited for a little.
bool second_instance() {
    CreateMutexW(nullptr, FALSE, instance_mutex); // held until the process ends
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    for (int waited = 0; waited < 10000 && !wake_running_instance(); waited += 50)
        Sleep(50);
    return true;
}

// Waits for the next message, or for a change in the trigger file's folder,
// which costs nothing while none comes. False when the program is to end.
bool run_messages(HACCEL accelerators, int* exit_code) {
    watch_trigger_folder(); // a load may have changed where the file or its link's target is
    HANDLE watches[2];
    const DWORD count = static_cast<DWORD>(trigger_folder_watches(watches));
    const DWORD woke =
        MsgWaitForMultipleObjectsEx(count, watches, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke < WAIT_OBJECT_0 + count) on_trigger_folder_changed(watches[woke - WAIT_OBJECT_0]);
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            *exit_code = static_cast<int>(msg.wParam);
            return false;
        }
        // A form's dialog keys (Tab, Enter, Escape, access keys) are its own.
        if (form_window_message(msg)) continue;
        // The main window's shortcuts are its own: in the search window or the
        // pick list, Ctrl+A and the others are what those controls make of them.
        const bool main_window = msg.hwnd == shell.main || IsChild(shell.main, msg.hwnd);
        if (main_window && TranslateAcceleratorW(shell.main, accelerators, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (second_instance()) return 0;
    shell.instance = instance;
    engine.file.table.netbook = is_netbook();
    std::string settings_problem;
    const StartFile trigger_file = derive_paths(&settings_problem);
    engine.file.path = trigger_file.path; // for the title
    int height = setting_int("window_height"), width = setting_int("window_width");
    int top = setting_int("window_top"), left = setting_int("window_left");
    // A place stored on a monitor that is gone opens at the default place.
    if ((left || top) && !on_a_monitor(RECT{left, top, width ? width : 200, height}))
        left = top = 0;
    const int default_width = scaled(nullptr, default_window_width),
              default_height = scaled(nullptr, default_window_height);
    shell.tray = option("tray");
    shell.wrap = option("wrap_text");
    shell.small_icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(app_icon_id),
                                                     IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                     GetSystemMetrics(SM_CYSMICON), 0));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(app_icon_id));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEW(main_menu_id);
    wc.lpszClassName = main_class_name;
    wc.hIconSm = shell.small_icon;
    if (!RegisterClassExW(&wc)) {
        warn("Quillomat Run Failure");
        return 0;
    }
    const int screen_width = GetSystemMetrics(SM_CXSCREEN),
              screen_height = GetSystemMetrics(SM_CYSCREEN);
    shell.main = CreateWindowExW(0, main_class_name, main_title().c_str(),
                                 WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                 left ? left : screen_width / 2 - default_width / 2,
                                 top ? top : screen_height / 2 - default_height / 2,
                                 width ? width : default_width, height ? height : default_height,
                                 nullptr, nullptr, instance, nullptr);
    if (!shell.main) {
        warn("Quillomat Window Failure");
        return 0;
    }
    ShowWindow(shell.main, show_command());
    UpdateWindow(shell.main);
    load_triggers(trigger_file.path.c_str(), false, trigger_file.if_missing);
    watch_trigger_folder();
    start_watching();
    // Older runtimes give the same random_device numbers at every start: the
    // clock and the process id make each start's {Random:} choices its own.
    seed_random_choices(std::random_device{}() ^ GetTickCount() ^ (GetCurrentProcessId() << 16));
    if (!settings_problem.empty())
        warn_user(shell.main, settings_problem);
    offer_kept_edits(shell.main);
    if (setting_int("paused")) set_expansions_paused(true); // as it was left

    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(accelerators_id));
    // Unicode messages, so that characters beyond the code page reach the
    // editor and the search window whole.
    int exit_code = 0;
    while (run_messages(accelerators, &exit_code)) {}
    return exit_code;
}
