// Looks at and pokes the windows of other programs, for the end-to-end tests.
//
//   probe text TITLE             the text of the window's edit control (or its own text)
//   probe title TITLE|=CLASS     the window's own text (its title)
//   probe status                 the status bar text of Quillomat's main window
//   probe window TITLE|=CLASS    left top width height visible iconic foreground maximized
//   probe dialogs                every visible dialog: "caption|text" per line
//   probe press CAPTION BUTTON   clicks a button of a dialog
//   probe front TITLE            brings a window to the front
//   probe minimize TITLE         minimizes a window
//   probe close =CLASS|TITLE     asks a window to close
//   probe exists =CLASS|TITLE    exit status 0 when such a window exists
//   probe command SPEC ID        posts the command ID (WM_COMMAND) to the window
//   probe post SPEC MSG WP LP    posts any message (numbers in decimal)
//   probe caret SPEC             the selection of the window's edit control: "start end"
//   probe select SPEC START END  selects characters START to END of the window's edit control
//   probe control CAPTION ID     the text of the child with that id in the window titled CAPTION
//   probe clipboard-set TEXT     puts TEXT on the clipboard as plain text and as rich text
//   probe clipboard              the clipboard's format names, one a line, then "text: ..."
//   probe clipboard-many TEXT    puts TEXT as Unicode text, an HTML format and a private format
//   probe clipboard-bytes NAME   the bytes of a clipboard format (by name, or CF_UNICODETEXT as "unicode"), in hex
//   probe settext TITLE TEXT     sets the text of the first edit control inside the window
//   probe rows TITLE             the rows of the list box inside the window, one a line
//   probe selected TITLE         the index of the selected row of that list box
//   probe tray SPEC ask|remove   whether the window's tray icon (id 1001) is there (exit 0), or removes it
//   probe hold PATH SECS [TEXT]  holds the file (%VARIABLES% expanded) open, sharing nothing;
//                                with TEXT, writes it there first and shares it for reading only
//   probe announce MESSAGE       posts a registered message (such as TaskbarCreated) to every top window
//   probe tick SPEC N            toggles the check box of the Nth item (from 0) of the tree view
//                                inside the window, as the space bar does; prints its state
//   probe keyboard-at TITLE MS   once the window is in front with the focus inside: GetTickCount()
//
// TITLE is matched exactly; "=NAME" names a window class instead. Arguments
// and everything printed are UTF-8.
#include "platform/win32/wide.h"

#include <fcntl.h>
#include <io.h>
#include <vector>
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {
HWND find(const char* spec) {
    if (spec[0] == '=') return FindWindowW(widen(spec + 1).c_str(), nullptr);
    return FindWindowW(nullptr, widen(spec).c_str());
}

std::string text_of(HWND window) {
    static wchar_t buffer[65536];
    buffer[0] = L'\0';
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 65535, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    buffer[65535] = L'\0';
    return narrow(buffer);
}

HWND child_of_class(HWND parent, const char* class_name) {
    return FindWindowExW(parent, nullptr, widen(class_name).c_str(), nullptr);
}

BOOL CALLBACK find_descendant(HWND child, LPARAM param) {
    auto* wanted = reinterpret_cast<std::pair<const wchar_t*, HWND>*>(param);
    wchar_t class_name[64];
    GetClassNameW(child, class_name, 64);
    if (lstrcmpiW(class_name, wanted->first) != 0) return TRUE;
    wanted->second = child;
    return FALSE;
}

// The first control of the class anywhere inside the window (dialogs nest them).
HWND descendant_of_class(HWND window, const wchar_t* class_name) {
    std::pair<const wchar_t*, HWND> wanted{class_name, nullptr};
    EnumChildWindows(window, find_descendant, reinterpret_cast<LPARAM>(&wanted));
    return wanted.second;
}

// Puts a copy of the bytes on the (open) clipboard.
void put_on_clipboard(UINT format, const void* data, std::size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    SetClipboardData(format, block);
}

struct DialogSearch {
    std::string out;
};

BOOL CALLBACK collect_static(HWND child, LPARAM param) {
    wchar_t class_name[64];
    GetClassNameW(child, class_name, 64);
    if (lstrcmpiW(class_name, L"Static") == 0 && IsWindowVisible(child)) {
        const std::string text = text_of(child);
        if (!text.empty()) {
            auto* found = reinterpret_cast<std::string*>(param);
            if (!found->empty()) *found += " ";
            *found += text;
        }
    }
    return TRUE;
}

BOOL CALLBACK collect_dialog(HWND window, LPARAM param) {
    wchar_t class_name[64];
    GetClassNameW(window, class_name, 64);
    if (lstrcmpW(class_name, L"#32770") == 0 && IsWindowVisible(window)) {
        std::string body;
        EnumChildWindows(window, collect_static, reinterpret_cast<LPARAM>(&body));
        for (char& c : body)
            if (c == '\n' || c == '\r') c = '~';
        auto* search = reinterpret_cast<DialogSearch*>(param);
        search->out += text_of(window) + "|" + body + "\n";
    }
    return TRUE;
}
} // namespace

int probe_main(int argc, char** argv);

int wmain(int argc, wchar_t** argv) {
    // Text is printed as it is: a text-mode stdout would turn every "\r\n" of
    // a window's text into "\r\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
    return run_with_utf8_arguments(argc, argv, probe_main);
}

int probe_main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string verb = argv[1];
    if (verb == "text" && argc == 3) {
        HWND window = find(argv[2]);
        if (!window) return 1;
        HWND edit = child_of_class(window, "Edit");
        std::printf("%s", text_of(edit ? edit : window).c_str());
        return 0;
    }
    if (verb == "title" && argc == 3) {
        HWND window = find(argv[2]);
        if (!window) return 1;
        std::printf("%s", text_of(window).c_str());
        return 0;
    }
    if (verb == "status") {
        HWND main = FindWindowW(L"QuillomatClass", nullptr);
        HWND bar = main ? child_of_class(main, "msctls_statusbar32") : nullptr;
        if (!bar) return 1;
        std::printf("%s", text_of(bar).c_str());
        return 0;
    }
    if (verb == "window" && argc == 3) {
        HWND window = find(argv[2]);
        if (!window) return 1;
        RECT r;
        GetWindowRect(window, &r);
        std::printf("%ld %ld %ld %ld %d %d %d %d\n", r.left, r.top, r.right - r.left,
                    r.bottom - r.top, IsWindowVisible(window) ? 1 : 0, IsIconic(window) ? 1 : 0,
                    GetForegroundWindow() == window ? 1 : 0, IsZoomed(window) ? 1 : 0);
        return 0;
    }
    if (verb == "dialogs") {
        DialogSearch search;
        EnumWindows(collect_dialog, reinterpret_cast<LPARAM>(&search));
        std::printf("%s", search.out.c_str());
        return 0;
    }
    if (verb == "press" && argc == 4) {
        // Of the dialogs with that caption (a wizard and its message box may
        // share one), the first that has the button.
        const std::wstring caption = widen(argv[2]);
        HWND dialog = nullptr, button = nullptr;
        while (!button && (dialog = FindWindowExW(nullptr, dialog, L"#32770", caption.c_str()))) {
            // Button texts carry "&" before their access key: compare without it.
            for (HWND child = FindWindowExW(dialog, nullptr, L"Button", nullptr); child && !button;
                 child = FindWindowExW(dialog, child, L"Button", nullptr)) {
                std::string label;
                for (char c : text_of(child))
                    if (c != '&') label += c;
                if (lstrcmpiW(widen(label).c_str(), widen(argv[3]).c_str()) == 0) button = child;
            }
        }
        if (!button) return 1;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        return 0;
    }
    if (verb == "front" && argc == 3) {
        HWND window = find(argv[2]);
        if (!window) return 1;
        SetForegroundWindow(window);
        return 0;
    }
    if (verb == "minimize" && argc == 3) {
        HWND window = find(argv[2]);
        if (!window) return 1;
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    }
    if (verb == "close" && argc == 3) {
        HWND window = find(argv[2]);
        if (!window) return 1;
        PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (verb == "tick" && argc == 4) {
        HWND window = find(argv[2]);
        HWND tree = window ? descendant_of_class(window, L"SysTreeView32") : nullptr;
        // Item handles and states travel by value: no memory of the other process is needed.
        HTREEITEM item = tree ? TreeView_GetRoot(tree) : nullptr;
        for (int n = std::atoi(argv[3]); item && n > 0; --n)
            item = TreeView_GetNextSibling(tree, item);
        if (!item) return 1;
        TreeView_SelectItem(tree, item);
        SendMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);
        SendMessageW(tree, WM_CHAR, L' ', 0);
        SendMessageW(tree, WM_KEYUP, VK_SPACE, 0);
        std::printf("%u\n", static_cast<unsigned>(
                                TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) >> 12));
        return 0;
    }
    if (verb == "exists" && argc == 3) return find(argv[2]) ? 0 : 1;
    if (verb == "command" && argc == 4) {
        HWND window = find(argv[2]);
        return window && PostMessageW(window, WM_COMMAND, std::strtoul(argv[3], nullptr, 10), 0)
                   ? 0
                   : 1;
    }
    if (verb == "post" && argc == 6) {
        HWND window = find(argv[2]);
        return window && PostMessageW(window, std::strtoul(argv[3], nullptr, 10),
                                      std::strtoul(argv[4], nullptr, 10),
                                      std::strtol(argv[5], nullptr, 10))
                   ? 0
                   : 1;
    }
    if (verb == "send" && argc == 6) {
        // Waits for the answer, as Windows does for the messages of a logoff.
        HWND window = find(argv[2]);
        if (!window) return 1;
        const LRESULT result =
            SendMessageW(window, std::strtoul(argv[3], nullptr, 10),
                         std::strtoul(argv[4], nullptr, 10), std::strtol(argv[5], nullptr, 10));
        std::printf("%lld\n", static_cast<long long>(result));
        return 0;
    }
    if (verb == "unicode" && argc == 3) {
        // Types the text as Unicode key events, as an on-screen keyboard or
        // a program that types for the user sends it: no key of the layout.
        for (const wchar_t unit : widen(argv[2])) {
            INPUT input[2] = {};
            input[0].type = input[1].type = INPUT_KEYBOARD;
            input[0].ki.wScan = input[1].ki.wScan = unit;
            input[0].ki.dwFlags = KEYEVENTF_UNICODE;
            input[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
            if (SendInput(2, input, sizeof(INPUT)) != 2) return 1;
            Sleep(60);
        }
        return 0;
    }
    if (verb == "hold" && (argc == 4 || argc == 5)) {
        // Holds the file open with no sharing, as another program can; or,
        // given a text, writes it there and lets others only read it.
        wchar_t path[MAX_PATH * 2] = {};
        ExpandEnvironmentStringsW(widen(argv[2]).c_str(), path, MAX_PATH * 2);
        if (argc == 5) {
            HANDLE written =
                CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD size = 0;
            WriteFile(written, argv[4], static_cast<DWORD>(std::strlen(argv[4])), &size, nullptr);
            CloseHandle(written);
        }
        HANDLE file = CreateFileW(path, GENERIC_READ, argc == 5 ? FILE_SHARE_READ : 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 1;
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) * 1000);
        CloseHandle(file);
        return 0;
    }
    if (verb == "caret" && argc == 3) {
        HWND window = find(argv[2]);
        HWND edit = window ? child_of_class(window, "Edit") : nullptr;
        if (!edit) return 1;
        const DWORD_PTR selection = SendMessageW(edit, EM_GETSEL, 0, 0);
        std::printf("%u %u\n", static_cast<unsigned>(LOWORD(selection)),
                    static_cast<unsigned>(HIWORD(selection)));
        return 0;
    }
    if (verb == "select" && argc == 5) {
        HWND window = find(argv[2]);
        HWND edit = window ? child_of_class(window, "Edit") : nullptr;
        if (!edit) return 1;
        SendMessageW(edit, EM_SETSEL, std::strtoul(argv[3], nullptr, 10),
                     std::strtol(argv[4], nullptr, 10));
        return 0;
    }
    if (verb == "keyboard-at" && argc == 4) { // waits at most MS; exit status 1 on time-out
        const DWORD start = GetTickCount(), limit = std::strtoul(argv[3], nullptr, 10);
        while (GetTickCount() - start < limit) {
            HWND window = FindWindowW(nullptr, widen(argv[2]).c_str());
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            if (window && GetForegroundWindow() == window &&
                GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
                info.hwndFocus && IsChild(window, info.hwndFocus)) {
                std::printf("%lu\n", static_cast<unsigned long>(GetTickCount()));
                return 0;
            }
            Sleep(1);
        }
        return 1;
    }
    if (verb == "control" && argc == 4) {
        HWND window = FindWindowW(nullptr, widen(argv[2]).c_str());
        HWND child = window ? GetDlgItem(window, static_cast<int>(std::strtol(argv[3], nullptr, 0)))
                            : nullptr;
        if (!child) return 1;
        std::printf("%s", text_of(child).c_str());
        return 0;
    }
    if (verb == "settext" && argc == 4) {
        HWND window = find(argv[2]);
        HWND edit = window ? descendant_of_class(window, L"Edit") : nullptr;
        if (!edit) return 1;
        const std::wstring text = widen(argv[3]);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        // Edit controls tell their parent of a change only when the user makes it.
        SendMessageW(GetParent(edit), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(edit), EN_CHANGE),
                     reinterpret_cast<LPARAM>(edit));
        return 0;
    }
    if (verb == "rows" && argc == 3) {
        HWND window = find(argv[2]);
        HWND list = window ? descendant_of_class(window, L"ListBox") : nullptr;
        if (!list) return 1;
        const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::wstring row(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1,
                             L'\0');
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&row[0]));
            std::printf("%s\n", narrow(row.c_str()).c_str());
        }
        return 0;
    }
    if (verb == "selected" && argc == 3) {
        HWND window = find(argv[2]);
        HWND list = window ? descendant_of_class(window, L"ListBox") : nullptr;
        if (!list) return 1;
        std::printf("%d\n", static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)));
        return 0;
    }
    if (verb == "tray" && argc == 4) {
        HWND window = find(argv[2]);
        if (!window) return 1;
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V2_SIZE;
        data.hWnd = window;
        data.uID = 1001;
        // Changing nothing succeeds only for an icon that is there.
        const bool ask = std::strcmp(argv[3], "ask") == 0;
        return Shell_NotifyIconW(ask ? NIM_MODIFY : NIM_DELETE, &data) ? 0 : 1;
    }
    if (verb == "announce" && argc == 3) {
        const UINT message = RegisterWindowMessageW(widen(argv[2]).c_str());
        return PostMessageW(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
    }
    if (verb == "clipboard-many" && argc == 3) {
        if (!OpenClipboard(nullptr)) return 1;
        EmptyClipboard();
        const std::wstring text = widen(argv[2]);
        const std::string html = std::string("Version:0.9\r\n<b>") + argv[2] + "</b>";
        const std::string private_bytes("\x01\x00\xfe\xff private", 12);
        put_on_clipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        put_on_clipboard(RegisterClipboardFormatW(L"HTML Format"), html.c_str(), html.size() + 1);
        put_on_clipboard(RegisterClipboardFormatW(L"Quillomat Test Private"), private_bytes.data(),
                         private_bytes.size());
        CloseClipboard();
        return 0;
    }
    if (verb == "clipboard-bytes" && argc == 3) {
        const UINT format = std::strcmp(argv[2], "unicode") == 0
                                ? CF_UNICODETEXT
                                : RegisterClipboardFormatW(widen(argv[2]).c_str());
        if (!OpenClipboard(nullptr)) return 1;
        HANDLE data = GetClipboardData(format);
        const auto* bytes = data ? static_cast<const unsigned char*>(GlobalLock(data)) : nullptr;
        if (bytes) {
            for (SIZE_T i = 0; i < GlobalSize(data); ++i)
                std::printf("%02x", bytes[i]);
            GlobalUnlock(data);
        }
        CloseClipboard();
        return bytes ? 0 : 1;
    }
    if (verb == "clipboard-set" && argc == 3) {
        if (!OpenClipboard(nullptr)) return 1;
        EmptyClipboard();
        const std::wstring text = widen(argv[2]);
        const std::string rich = std::string("{\\rtf1 {\\b ") + argv[2] + "}}";
        put_on_clipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        put_on_clipboard(RegisterClipboardFormatW(L"Rich Text Format"), rich.c_str(),
                         rich.size() + 1);
        CloseClipboard();
        return 0;
    }
    if (verb == "clipboard") {
        if (!OpenClipboard(nullptr)) return 1;
        for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
            wchar_t name[128] = {};
            if (GetClipboardFormatNameW(format, name, 128))
                std::printf("%s\n", narrow(name).c_str());
            else
                std::printf("#%u\n", format);
        }
        HANDLE text = GetClipboardData(CF_UNICODETEXT);
        const wchar_t* locked = text ? static_cast<const wchar_t*>(GlobalLock(text)) : nullptr;
        std::printf("text: %s\n", locked ? narrow(locked).c_str() : "");
        if (locked) GlobalUnlock(text);
        CloseClipboard();
        return 0;
    }
    return 2;
}
