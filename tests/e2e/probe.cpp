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
//   probe control CAPTION ID     the text of the child with that id in the window titled CAPTION
//   probe clipboard-set TEXT     puts TEXT on the clipboard as plain text and as rich text
//   probe clipboard              the clipboard's format names, one a line, then "text: ..."
//
// TITLE is matched exactly; "=NAME" names a window class instead.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {
HWND find(const char* spec) {
    if (spec[0] == '=') return FindWindowA(spec + 1, nullptr);
    return FindWindowA(nullptr, spec);
}

std::string text_of(HWND window) {
    char buffer[65536] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    return buffer;
}

HWND child_of_class(HWND parent, const char* class_name) {
    return FindWindowExA(parent, nullptr, class_name, nullptr);
}

struct DialogSearch {
    std::string out;
};

BOOL CALLBACK collect_static(HWND child, LPARAM param) {
    char class_name[64];
    GetClassNameA(child, class_name, sizeof class_name);
    if (std::strcmp(class_name, "Static") == 0 || std::strcmp(class_name, "STATIC") == 0) {
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
    char class_name[64];
    GetClassNameA(window, class_name, sizeof class_name);
    if (std::strcmp(class_name, "#32770") == 0 && IsWindowVisible(window)) {
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

int main(int argc, char** argv) {
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
        HWND main = FindWindowA("QuillomatClass", nullptr);
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
        HWND dialog = FindWindowA("#32770", argv[2]);
        HWND button = nullptr;
        // Button texts carry "&" before their access key: compare without it.
        for (HWND child = dialog ? FindWindowExA(dialog, nullptr, "Button", nullptr) : nullptr;
             child && !button; child = FindWindowExA(dialog, child, "Button", nullptr)) {
            std::string label;
            for (char c : text_of(child))
                if (c != '&') label += c;
            if (lstrcmpiA(label.c_str(), argv[3]) == 0) button = child;
        }
        if (!button) return 1;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
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
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (verb == "exists" && argc == 3) return find(argv[2]) ? 0 : 1;
    if (verb == "command" && argc == 4) {
        HWND window = find(argv[2]);
        return window && PostMessageA(window, WM_COMMAND, std::strtoul(argv[3], nullptr, 10), 0)
                   ? 0
                   : 1;
    }
    if (verb == "post" && argc == 6) {
        HWND window = find(argv[2]);
        return window && PostMessageA(window, std::strtoul(argv[3], nullptr, 10),
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
            SendMessageA(window, std::strtoul(argv[3], nullptr, 10),
                         std::strtoul(argv[4], nullptr, 10), std::strtol(argv[5], nullptr, 10));
        std::printf("%lld\n", static_cast<long long>(result));
        return 0;
    }
    if (verb == "hold" && argc == 4) {
        // Holds the file open with no sharing, as another program can.
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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
        const DWORD_PTR selection = SendMessageA(edit, EM_GETSEL, 0, 0);
        std::printf("%u %u\n", static_cast<unsigned>(LOWORD(selection)),
                    static_cast<unsigned>(HIWORD(selection)));
        return 0;
    }
    if (verb == "control" && argc == 4) {
        HWND window = FindWindowA(nullptr, argv[2]);
        HWND child = window ? GetDlgItem(window, static_cast<int>(std::strtol(argv[3], nullptr, 0)))
                            : nullptr;
        if (!child) return 1;
        std::printf("%s", text_of(child).c_str());
        return 0;
    }
    if (verb == "clipboard-set" && argc == 3) {
        if (!OpenClipboard(nullptr)) return 1;
        EmptyClipboard();
        const std::string text = argv[2];
        const std::string rich = "{\\rtf1 {\\b " + text + "}}";
        for (const auto& [format, data] : {std::pair<UINT, std::string>{CF_TEXT, text},
                                           {RegisterClipboardFormatA("Rich Text Format"), rich}}) {
            HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, data.size() + 1);
            std::memcpy(GlobalLock(block), data.c_str(), data.size() + 1);
            GlobalUnlock(block);
            SetClipboardData(format, block);
        }
        CloseClipboard();
        return 0;
    }
    if (verb == "clipboard") {
        if (!OpenClipboard(nullptr)) return 1;
        for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
            char name[128] = {};
            if (!GetClipboardFormatNameA(format, name, sizeof name))
                std::snprintf(name, sizeof name, "#%u", format);
            std::printf("%s\n", name);
        }
        HANDLE text = GetClipboardData(CF_TEXT);
        const char* locked = text ? static_cast<const char*>(GlobalLock(text)) : nullptr;
        std::printf("text: %s\n", locked ? locked : "");
        if (locked) GlobalUnlock(text);
        CloseClipboard();
        return 0;
    }
    return 2;
}
