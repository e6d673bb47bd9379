// The watch on the trigger file's folder: a change notification that the
// message loop waits on beside the messages, so it costs nothing while
// nothing changes. A change is looked at a moment later, once the other
// program has finished writing.
#include "app/shell.h"

#include "engine/disk_copy.h"
#include "engine/engine.h"
#include "platform/win32/wide.h"

#include <cstring>
#include <string>

namespace {
HANDLE watch = INVALID_HANDLE_VALUE;
std::string watched_folder;
constexpr UINT settle_ms = 200;

std::string folder_of(const char* path) {
    const std::string text(path);
    const std::size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : text.substr(0, slash + 1);
}
} // namespace

void watch_trigger_folder() {
    const std::string folder = folder_of(engine_files.trigger_file);
    if (watch != INVALID_HANDLE_VALUE && folder == watched_folder) return;
    if (watch != INVALID_HANDLE_VALUE) FindCloseChangeNotification(watch);
    watched_folder = folder;
    watch = FindFirstChangeNotificationW(
        file_path(folder).c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
}

HANDLE trigger_folder_watch() {
    return watch;
}

void on_trigger_folder_changed(HWND window) {
    if (watch != INVALID_HANDLE_VALUE && !FindNextChangeNotification(watch)) {
        FindCloseChangeNotification(watch);
        watch = INVALID_HANDLE_VALUE;
    }
    SetTimer(window, disk_check_timer, settle_ms, nullptr);
}

void on_disk_check_timer(HWND window) {
    KillTimer(window, disk_check_timer);
    // The caret and the first line shown stay where they were, as far as the new text allows.
    DWORD start = 0, end = 0;
    SendMessageW(shell.editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    const LRESULT first_line = SendMessageW(shell.editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    // Matching stops while the table is replaced, as for a save.
    KillTimer(window, polling_timer);
    const DiskAction action = react_to_disk_change(shell.dirty);
    SetTimer(window, polling_timer, polling_period_ms, nullptr);
    if (action != DiskAction::reloaded) return;
    SendMessageW(shell.editor, EM_SETSEL, start, end);
    const LRESULT now_first = SendMessageW(shell.editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageW(shell.editor, EM_LINESCROLL, 0, first_line - now_first);
    set_main_title();
}
