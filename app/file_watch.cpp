// The watch on the trigger file's folder: a change notification that the
// message loop waits on beside the messages, so it costs nothing while
// nothing changes. When the trigger file is a link, the folder of the file
// it leads to is watched too: a sync tool changes the file there. The
// engine looks at the file a moment later, once the other program has
// finished writing.
#include "app/shell.h"

#include "engine/engine.h"
#include "platform/win32/wide.h"

#include <array>
#include <string>

namespace {
struct FolderWatch {
    ChangeWatch handle;
    std::string folder;
};
std::array<FolderWatch, 2> watches; // the path's folder, and a link's target's

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// A folder that cannot be watched (it is not there) is not tried again
// until the file is elsewhere: a missing file is looked for now and then anyway.
void watch_folder(FolderWatch& watch, const std::string& folder) {
    if (folder == watch.folder) return;
    watch.handle.reset();
    watch.folder = folder;
    if (folder.empty()) return;
    watch.handle.reset(handle_or_null(FindFirstChangeNotificationW(
        file_path(folder).c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE)));
}
} // namespace

void watch_trigger_folder() {
    const std::string folder = folder_of(engine.file.path);
    const std::string& target = engine.file.link_target;
    const std::string target_folder = target.empty() ? std::string() : folder_of(target);
    watch_folder(watches[0], folder);
    watch_folder(watches[1], target_folder == folder ? std::string() : target_folder);
}

int trigger_folder_watches(HANDLE* handles) {
    int count = 0;
    for (const FolderWatch& watch : watches)
        if (watch.handle) handles[count++] = watch.handle.get();
    return count;
}

void on_trigger_folder_changed(HANDLE which) {
    for (FolderWatch& watch : watches)
        if (watch.handle && watch.handle.get() == which && !FindNextChangeNotification(which)) {
            watch.handle.reset();
            watch.folder.clear();
        }
    trigger_folder_changed();
}
