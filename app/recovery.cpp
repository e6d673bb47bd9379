// Unsaved edits outlive a session that ends without them being saved: they
// are written beside the trigger file, and offered at the next start. The
// file is removed only when the user discards it, or once its text is saved.
#include "app/shell.h"

#include "common/memory.h"
#include "engine/engine.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "ui/status.h"
#include "ui/ui.h"

#include <cstdio>
#include <string>

namespace {
bool recovery_offered_in_editor = false;

// "quillomat.txt" keeps its edits in "quillomat (unsaved edits).txt".
std::string recovery_path() {
    std::string path = engine.file.path;
    const std::size_t dot = path.size() >= 4 ? path.size() - 4 : std::string::npos;
    if (dot != std::string::npos && equal_nocase(path.c_str() + dot, ".txt", 4)) path.erase(dot);
    return path + " (unsaved edits).txt";
}

std::string local_time_of(uint64_t write_time) {
    FILETIME utc{static_cast<DWORD>(write_time), static_cast<DWORD>(write_time >> 32)};
    SYSTEMTIME universal{}, local{};
    if (!FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return "an earlier session";
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", local.wYear, local.wMonth,
                  local.wDay, local.wHour, local.wMinute);
    return text;
}

} // namespace

void keep_unsaved_edits() {
    // UTF-8 with its mark, whatever the trigger file's encoding: nothing is lost.
    const std::string text = "\xEF\xBB\xBF" + narrow(editor_text().c_str());
    (void)replace_file(recovery_path().c_str(), text);
}

void offer_kept_edits(HWND window) {
    const std::string path = recovery_path();
    const FileStat kept = file_stat(path.c_str());
    if (!kept.exists) return;
    const std::wstring question = widen("Quillomat kept unsaved edits from " +
                                        local_time_of(kept.write_time) + ":\n\n" + path);
    const int answer = ask_choice(window, question, L"Open them", L"Discard", false);
    if (answer == 0) return; // asked again at the next start
    if (answer == 2) {
        (void)delete_file(path.c_str());
        return;
    }
    char* raw = nullptr;
    std::size_t size = 0;
    if (read_whole_file(path.c_str(), 64u << 20, &raw, &size) != FileRead::ok) return;
    const HeapText text(raw);
    // Never into an editor whose file was refused.
    if (engine.file.refusal != FileRead::ok) return;
    const std::string_view kept_text(raw, size);
    set_editor_text(kept_text.substr(kept_text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0));
    mark_dirty(window);
    recovery_offered_in_editor = true;
    status_printf(" Unsaved edits from %s are in the editor: save to keep them",
                  local_time_of(kept.write_time).c_str());
}

void forget_kept_edits() {
    if (!recovery_offered_in_editor) return;
    recovery_offered_in_editor = false;
    (void)delete_file(recovery_path().c_str());
}
