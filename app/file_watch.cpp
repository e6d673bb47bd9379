// The watch on the trigger file's folder: a change notification that the
// message loop waits on beside the messages, so it costs nothing while
// nothing changes. The engine looks at the file a moment later, once the
// other program has finished writing.
#include "app/shell.h"

#include "engine/engine.h"
#include "platform/win32/wide.h"

#include <cstring>
#include <string>

namespace {
ChangeWatch watch;
std::string watched_folder;

std::string folder_of(const char* path) {
    const std::string text(path);
    const std::size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : text.substr(0, slash + 1);
}
} // namespace

void watch_trigger_folder() {
    const std::string folder = folder_of(engine.file.path.c_str());
    if (watch && folder == watched_folder) return;
    watch.reset();
    watched_folder = folder;
    watch.reset(handle_or_null(FindFirstChangeNotificationW(
        file_path(folder).c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE)));
}

HANDLE trigger_folder_watch() {
    return watch ? watch.get() : INVALID_HANDLE_VALUE;
}

void on_trigger_folder_changed() {
    if (watch && !FindNextChangeNotification(watch.get())) watch.reset();
    trigger_folder_changed();
}
