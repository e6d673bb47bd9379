// The real platform: Win32 calls behind the program's seam.
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_windows.h"

#include "common/memory.h"
#include "common/text.h"
#include "common/utf8.h"

#include <commctrl.h>
#include <cstring>
#include <shellapi.h>
#include <string>
#include <vector>

namespace {
// The main window: it owns the timers, the clipboard while a paste is out,
// the raw input registration and the message boxes.
HWND main_window = nullptr;

HWND hwnd_of(WindowId window) {
    return reinterpret_cast<HWND>(window);
}
WindowId id_of(HWND window) {
    return reinterpret_cast<WindowId>(window);
}

// How long a window may take to answer before it is taken as hung.
constexpr UINT activation_timeout_ms = 300;

// Closes a file handle on every path out.
struct FileHandle {
    HANDLE handle;
    explicit FileHandle(HANDLE h) : handle(h) {}
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool ok() const { return handle != INVALID_HANDLE_VALUE; }
};
} // namespace

void win32_set_main_window(HWND window) {
    main_window = window;
}

bool key_is_down(int vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}
bool start_input_events() {
    if (!main_window) return false;
    // Both devices, from every window of the desktop: the sink flag delivers
    // events while other programs have the focus. Mouse buttons count
    // because a click breaks a trigger.
    RAWINPUTDEVICE devices[2] = {
        {0x01, 0x06, RIDEV_INPUTSINK, main_window}, // generic desktop: keyboard
        {0x01, 0x02, RIDEV_INPUTSINK, main_window}, // generic desktop: mouse
    };
    return RegisterRawInputDevices(devices, 2, sizeof devices[0]) != FALSE;
}

uint32_t last_input_time() {
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    return GetLastInputInfo(&info) ? info.dwTime : 0;
}

int win32_read_input(LPARAM lparam, Win32InputEvent events[6]) {
    RAWINPUT input{};
    UINT size = sizeof input;
    if (GetRawInputData(reinterpret_cast<HRAWINPUT>(lparam), RID_INPUT, &input, &size,
                        sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1))
        return 0;
    if (input.header.dwType == RIM_TYPEKEYBOARD) {
        const USHORT vk = input.data.keyboard.VKey;
        // A Unicode key event carries its character where the scan code goes
        // (Wine reports no key for it, Windows the packet key).
        const USHORT unit = input.data.keyboard.MakeCode;
        if ((vk == 0 || vk == VK_PACKET) && unit != 0) {
            events[0] =
                Win32InputEvent{vk_packet, (input.data.keyboard.Flags & RI_KEY_BREAK) == 0, unit};
            return 1;
        }
        if (vk == 0 || vk >= 255) return 0; // a fake key of an escaped sequence
        events[0] = Win32InputEvent{vk, (input.data.keyboard.Flags & RI_KEY_BREAK) == 0};
        return 1;
    }
    if (input.header.dwType != RIM_TYPEMOUSE) return 0;
    static const struct {
        USHORT flag;
        int vk;
        bool down;
    } buttons[] = {
        {RI_MOUSE_LEFT_BUTTON_DOWN, VK_LBUTTON, true},
        {RI_MOUSE_LEFT_BUTTON_UP, VK_LBUTTON, false},
        {RI_MOUSE_RIGHT_BUTTON_DOWN, VK_RBUTTON, true},
        {RI_MOUSE_RIGHT_BUTTON_UP, VK_RBUTTON, false},
        {RI_MOUSE_MIDDLE_BUTTON_DOWN, VK_MBUTTON, true},
        {RI_MOUSE_MIDDLE_BUTTON_UP, VK_MBUTTON, false},
        {RI_MOUSE_BUTTON_4_DOWN, VK_XBUTTON1, true},
        {RI_MOUSE_BUTTON_4_UP, VK_XBUTTON1, false},
        {RI_MOUSE_BUTTON_5_DOWN, VK_XBUTTON2, true},
        {RI_MOUSE_BUTTON_5_UP, VK_XBUTTON2, false},
    };
    int count = 0;
    for (const auto& button : buttons)
        if ((input.data.mouse.usButtonFlags & button.flag) && count < 6)
            events[count++] = Win32InputEvent{button.vk, button.down};
    if (count == 0) events[count++] = Win32InputEvent{0, false};
    return count;
}

bool caps_lock_on() {
    return (GetKeyState(VK_CAPITAL) & 1) != 0;
}

void clear_keyboard_state() {
    BYTE state[256] = {};
    SetKeyboardState(state);
}

void send_key_event(uint8_t vk, uint8_t scan_code, uint32_t flags) {
    DWORD win_flags = 0;
    if (flags & key_extended) win_flags |= KEYEVENTF_EXTENDEDKEY;
    if (flags & key_release) win_flags |= KEYEVENTF_KEYUP;
    keybd_event(vk, scan_code, win_flags, 0);
}

// The key calls below speak the code page on purpose: the engine's keys and
// characters are 8-bit code-page text.
unsigned key_scan_code(int vk) {
    return MapVirtualKeyA(static_cast<UINT>(vk), 0);
}
unsigned key_char(int vk) {
    return MapVirtualKeyA(static_cast<UINT>(vk), 2) & 0xFF;
}
int16_t char_key(char c) {
    return static_cast<int16_t>(VkKeyScanA(c));
}

void send_unicode_unit(uint16_t unit, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = unit;
    input.ki.dwFlags = KEYEVENTF_UNICODE | (release ? KEYEVENTF_KEYUP : 0);
    SendInput(1, &input, sizeof input);
}

int ansi_byte_of(uint32_t code_point) {
    if (code_point < 0x80) return static_cast<int>(code_point);
    if (code_point > 0xFFFF) return -1; // the system code pages are single-byte here
    const wchar_t wide = static_cast<wchar_t>(code_point);
    char byte[4] = {};
    BOOL used_default = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wide, 1, byte, sizeof byte,
                                      nullptr, &used_default);
    return n == 1 && !used_default ? static_cast<unsigned char>(byte[0]) : -1;
}

uint32_t code_point_of_ansi(uint8_t byte) {
    const char narrow = static_cast<char>(byte);
    wchar_t wide = 0;
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &narrow, 1, &wide, 1) == 1 ? wide : 0;
}

std::string code_page_to_utf8(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, &wide[0], length);
    return narrow(wide.c_str(), length);
}

bool utf8_to_code_page(std::string_view utf8, std::string* bytes) {
    bytes->clear();
    const std::wstring wide = widen(utf8);
    if (wide.empty()) return true;
    const int units = static_cast<int>(wide.size());
    BOOL lost = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), units, nullptr,
                                         0, nullptr, &lost);
    if (size <= 0 || lost) return false;
    bytes->resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), units, &(*bytes)[0], size,
                        nullptr, nullptr);
    return true;
}

FileRead read_whole_file(const char* path, std::size_t max_size, char** text, std::size_t* size) {
    *text = nullptr;
    *size = 0;
    if (!path || !*path) return FileRead::missing;
    FileHandle file(CreateFileW(file_path(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) {
        const DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                   ? FileRead::missing
                   : FileRead::unreadable;
    }
    LARGE_INTEGER file_size;
    if (!GetFileSizeEx(file.handle, &file_size)) return FileRead::unreadable;
    if (static_cast<unsigned long long>(file_size.QuadPart) > max_size) return FileRead::too_large;
    const std::size_t length = static_cast<std::size_t>(file_size.QuadPart);
    HeapText buffer = alloc_text(file_buffer_size(length));
    if (!buffer) return FileRead::no_memory;
    std::size_t got = 0;
    while (got < length) {
        DWORD chunk = 0;
        const DWORD want = static_cast<DWORD>(length - got > 0x100000 ? 0x100000 : length - got);
        if (!ReadFile(file.handle, buffer.get() + got, want, &chunk, nullptr))
            return FileRead::unreadable;
        if (chunk == 0) break;
        got += chunk;
    }
    buffer.get()[got] = '\0';
    *size = got;
    *text = buffer.release();
    return FileRead::ok;
}

namespace {
// Writes all of `data` at the file's current position.
bool write_all(HANDLE file, std::string_view data) {
    std::size_t written = 0;
    while (written < data.size()) {
        DWORD chunk = 0;
        const DWORD want =
            static_cast<DWORD>(data.size() - written > 0x100000 ? 0x100000 : data.size() - written);
        if (!WriteFile(file, data.data() + written, want, &chunk, nullptr) || chunk == 0)
            return false;
        written += chunk;
    }
    return true;
}
} // namespace

bool append_to_file(const char* path, std::string_view data) {
    if (!path || !*path) return false;
    FileHandle file(CreateFileW(file_path(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return false;
    if (SetFilePointer(file.handle, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return false;
    return write_all(file.handle, data);
}

namespace {
// The file a path names in the end, links followed, and how many names it
// has; the path itself when it names no file yet.
std::wstring resolved_path(const std::wstring& path, DWORD* names) {
    *names = 0;
    FileHandle file(CreateFileW(path.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return path;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(file.handle, &info)) *names = info.nNumberOfLinks;
    std::wstring final_path(32768, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file.handle, &final_path[0], 32767,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= 32767) return path;
    final_path.resize(length);
    return final_path;
}

// A short name for a new file in the folder of `path` (a name beside a long
// one could pass the file system's limit on a name's length).
std::wstring name_beside(const std::wstring& path, unsigned attempt) {
    const std::size_t slash = path.find_last_of(L"\\/");
    wchar_t name[32];
    std::swprintf(name, 32, L"~qlm%04x.tmp",
                  (GetTickCount() + attempt * 7919u + GetCurrentProcessId()) & 0xFFFF);
    return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + name;
}

// Writes `data` into a new file beside `path`, flushed to the disk.
// Returns its name, or "" when it could not be written.
std::wstring write_beside(const std::wstring& path, std::string_view data) {
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        const std::wstring name = name_beside(path, attempt);
        HANDLE created = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return {};
        }
        bool written = false;
        {
            FileHandle file(created);
            written = write_all(file.handle, data) && FlushFileBuffers(file.handle);
        }
        if (written) return name;
        DeleteFileW(name.c_str());
        return {};
    }
    return {};
}

// A file with several names keeps them only when its own bytes change: it is
// rewritten in place, with a copy of its old bytes beside it until the new
// ones are all on the disk (and written back when they are not).
bool rewrite_in_place(const std::wstring& path, std::string_view data) {
    const std::wstring copy = name_beside(path, 99);
    if (!CopyFileW(path.c_str(), copy.c_str(), TRUE)) return false;
    bool done = false;
    {
        FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        done = file.ok() && SetFilePointer(file.handle, 0, nullptr, FILE_BEGIN) == 0 &&
               SetEndOfFile(file.handle) && write_all(file.handle, data) &&
               FlushFileBuffers(file.handle);
    }
    if (!done) {
        // The old bytes go back; the copy stays if even that fails.
        if (!CopyFileW(copy.c_str(), path.c_str(), FALSE)) return false;
    }
    DeleteFileW(copy.c_str());
    return done;
}
} // namespace

bool replace_file(const char* path, std::string_view data) {
    if (!path || !*path) return false;
    DWORD names = 0;
    const std::wstring target = resolved_path(file_path(path), &names);
    if (names > 0) {
        // A file that may not be written or replaced (read-only, locked,
        // denied) is found out before anything is written beside it.
        FileHandle check(CreateFileW(target.c_str(), GENERIC_WRITE | DELETE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!check.ok()) return false;
    }
    if (names > 1) return rewrite_in_place(target, data);
    const std::wstring fresh = write_beside(target, data);
    if (fresh.empty()) return false;
    // ReplaceFileW keeps the old file's permissions, attributes and
    // creation time; a file that is not there yet is simply renamed into place.
    const bool replaced =
        names == 0 ? MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0
                   : ReplaceFileW(target.c_str(), fresh.c_str(), nullptr,
                                  REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
    if (!replaced) DeleteFileW(fresh.c_str());
    return replaced;
}

FileStat file_stat(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!path || !*path ||
        !GetFileAttributesExW(file_path(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return FileStat{};
    FileStat stat;
    stat.exists = true;
    stat.write_time = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                      data.ftLastWriteTime.dwLowDateTime;
    stat.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return stat;
}

bool delete_file(const char* path) {
    return path && *path && DeleteFileW(file_path(path).c_str()) != 0;
}

std::string user_data_folder() {
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return {};
    const std::wstring folder = std::wstring(base) + L"\\Quillomat";
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return {};
    return narrow(folder.c_str()) + "\\";
}

std::string_view builtin_text(int id) {
    HRSRC found =
        FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!data) return {};
    // Resource data lives as long as the module; read only within its size.
    const std::size_t size = SizeofResource(nullptr, found);
    const void* end = std::memchr(data, '\0', size);
    return std::string_view(
        data, end ? static_cast<std::size_t>(static_cast<const char*>(end) - data) : size);
}

// ---- timers and time ----

void set_timer(TimerId id, uint32_t period_ms) {
    if (main_window) SetTimer(main_window, static_cast<UINT_PTR>(id), period_ms, nullptr);
}
void kill_timer(TimerId id) {
    if (main_window) KillTimer(main_window, static_cast<UINT_PTR>(id));
}
uint32_t tick_count() {
    return GetTickCount();
}

LocalTime local_time() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::size_t expand_environment(const char* text, char* out, std::size_t capacity) {
    const DWORD room = capacity > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(capacity);
    // The ANSI call on purpose: this is an output's 8-bit text, typed as keys.
    return ExpandEnvironmentStringsA(text, out, room);
}

// ---- mouse ----

ScreenPoint cursor_position() {
    POINT point{0, 0};
    GetCursorPos(&point);
    return ScreenPoint{point.x, point.y};
}
void set_cursor_position(int32_t x, int32_t y) {
    SetCursorPos(x, y);
}
void show_cursor() {
    ShowCursor(TRUE);
}
void send_mouse_event(uint32_t flags, int32_t dx, int32_t dy) {
    mouse_event(flags, static_cast<DWORD>(dx), static_cast<DWORD>(dy), 0, 0);
}
uint32_t double_click_time() {
    return GetDoubleClickTime();
}
ScreenPoint screen_size() {
    return ScreenPoint{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// ---- windows ----

WindowId foreground_window() {
    return id_of(GetForegroundWindow());
}

namespace {
// The integrity level of a process's token (low, medium, high, system).
bool integrity_of(HANDLE token, DWORD* level) {
    DWORD size = 0;
    GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (!size || !GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size))
        return false;
    const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
    const UCHAR count = *GetSidSubAuthorityCount(label->Label.Sid);
    *level = count ? *GetSidSubAuthority(label->Label.Sid, count - 1u) : 0;
    return true;
}

// Whether the process runs with higher rights than this one: an elevated
// program, whose token a program of ordinary rights may not even read.
bool runs_with_more_rights(HANDLE process) {
    HANDLE theirs = nullptr, ours = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &theirs))
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD their_level = 0, our_level = 0;
    bool higher = false;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &ours)) {
        higher = integrity_of(theirs, &their_level) && integrity_of(ours, &our_level) &&
                 their_level > our_level;
        CloseHandle(ours);
    }
    CloseHandle(theirs);
    return higher;
}
} // namespace

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
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
    if (process) {
        std::wstring image(32768, L'\0');
        DWORD length = 32767;
        if (QueryFullProcessImageNameW(process, 0, &image[0], &length)) {
            image.resize(length);
            const std::size_t slash = image.find_last_of(L"\\/");
            front.exe = narrow(image.substr(slash == std::wstring::npos ? 0 : slash + 1).c_str());
        }
        front.elevated = runs_with_more_rights(process);
        CloseHandle(process);
    }
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

// ---- programs and messages ----

bool shell_launch(const char* program, const char* arguments) {
    const std::wstring wide_program = widen(program ? program : "");
    const std::wstring wide_arguments = widen(arguments ? arguments : "");
    const HINSTANCE result =
        ShellExecuteW(nullptr, nullptr, wide_program.c_str(),
                      arguments ? wide_arguments.c_str() : nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void set_current_directory(const char* path) {
    SetCurrentDirectoryW(widen(path ? path : "").c_str());
}

void show_message(const char* text, const char* caption, uint32_t style) {
    const HWND had_keyboard = GetForegroundWindow();
    MessageBoxW(main_window, widen(text ? text : "").c_str(),
                caption ? widen(caption).c_str() : nullptr, style);
    // Closing the box activates its owner, the main window (hidden, often):
    // the keyboard goes back to the window the user was typing into.
    if (had_keyboard != main_window) give_keyboard_back(had_keyboard);
}

// ---- the clipboard, for pasting ----

namespace {
// One saved clipboard format: its bytes (a memory block), or an enhanced
// metafile's; other kinds of handle cannot be copied and are named instead.
struct SavedFormat {
    UINT format;
    std::string bytes;
    bool metafile = false;
};

struct PasteClipboard {
    std::vector<SavedFormat> saved;
    std::wstring text; // rendered when the window that pastes asks for it
    bool rendered = false;
};
PasteClipboard paste_clipboard;

// The clipboard, retried briefly while another program holds it.
bool open_clipboard() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(main_window)) return true;
        Sleep(5);
    }
    return false;
}

std::string format_name(UINT format) {
    wchar_t name[128] = {};
    if (GetClipboardFormatNameW(format, name, 127)) return narrow(name);
    return "#" + std::to_string(format);
}

HGLOBAL global_copy(const void* data, std::size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    void* target = block ? GlobalLock(block) : nullptr;
    if (!target) {
        if (block) GlobalFree(block);
        return nullptr;
    }
    if (size) std::memcpy(target, data, size);
    GlobalUnlock(block);
    return block;
}

void put_marker(const wchar_t* name, DWORD value) {
    // Clipboard history, cloud clipboard and clipboard managers skip text so marked.
    if (const UINT format = RegisterClipboardFormatW(name))
        if (HGLOBAL block = global_copy(&value, sizeof value))
            if (!SetClipboardData(format, block)) GlobalFree(block);
}
} // namespace

void win32_render_clipboard(bool all) {
    PasteClipboard& paste = paste_clipboard;
    if (all && (GetClipboardOwner() != main_window || !OpenClipboard(main_window))) return;
    const std::size_t bytes = (paste.text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL block = global_copy(paste.text.c_str(), bytes))
        if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
    paste.rendered = true;
    if (all) CloseClipboard();
}

bool clipboard_put_for_paste(const char* text, std::string* not_kept) {
    if (not_kept) not_kept->clear();
    if (!main_window || !open_clipboard()) return false;
    PasteClipboard& paste = paste_clipboard;
    paste = PasteClipboard{};
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        HANDLE data = GetClipboardData(format);
        if (!data) continue;
        if (format == CF_ENHMETAFILE) {
            const UINT size = GetEnhMetaFileBits(static_cast<HENHMETAFILE>(data), 0, nullptr);
            std::string bits(size, '\0');
            if (size && GetEnhMetaFileBits(static_cast<HENHMETAFILE>(data), size,
                                           reinterpret_cast<BYTE*>(&bits[0])))
                paste.saved.push_back(SavedFormat{format, bits, true});
            continue;
        }
        // Handles that are not memory blocks (bitmaps, palettes, old
        // metafiles): a picture comes back from its DIB form, which is kept.
        const bool handle = format == CF_BITMAP || format == CF_PALETTE ||
                            format == CF_METAFILEPICT || format == CF_DSPBITMAP ||
                            format == CF_DSPMETAFILEPICT || format == CF_DSPENHMETAFILE ||
                            format == CF_OWNERDISPLAY;
        const void* locked = handle ? nullptr : GlobalLock(data);
        if (!locked) {
            if (not_kept) *not_kept += (not_kept->empty() ? "" : ", ") + format_name(format);
            continue;
        }
        paste.saved.push_back(
            SavedFormat{format, std::string(static_cast<const char*>(locked), GlobalSize(data))});
        GlobalUnlock(data);
    }
    EmptyClipboard();
    paste.text = widen(text);
    SetClipboardData(CF_UNICODETEXT, nullptr); // given when the pasting window asks: then it has it
    put_marker(L"ExcludeClipboardContentFromMonitorProcessing", 1);
    put_marker(L"CanIncludeInClipboardHistory", 0);
    put_marker(L"CanUploadToCloudClipboard", 0);
    CloseClipboard();
    return true;
}

bool clipboard_paste_taken() {
    // Asked for, and the asking window has let the clipboard go.
    return paste_clipboard.rendered && GetOpenClipboardWindow() == nullptr;
}

bool clipboard_restore() {
    PasteClipboard& paste = paste_clipboard;
    // Whatever was copied after the paste belongs to someone else now.
    if (GetClipboardOwner() != main_window || !open_clipboard()) {
        paste = PasteClipboard{};
        return false;
    }
    EmptyClipboard();
    for (const SavedFormat& saved : paste.saved) {
        HANDLE data = nullptr;
        if (saved.metafile)
            data = SetEnhMetaFileBits(static_cast<UINT>(saved.bytes.size()),
                                      reinterpret_cast<const BYTE*>(saved.bytes.data()));
        else
            data = global_copy(saved.bytes.data(), saved.bytes.size());
        if (data && !SetClipboardData(saved.format, data)) {
            if (saved.metafile)
                DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data));
            else
                GlobalFree(data);
        }
    }
    CloseClipboard();
    paste = PasteClipboard{};
    return true;
}
