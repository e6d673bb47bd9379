#include "engine/disk_copy.h"

#include "common/memory.h"
#include "engine/engine.h"
#include "engine/recovery.h"
#include "engine/stages.h"
#include "platform/platform.h"
#include "ui/status.h"
#include "ui/ui.h"

#include <algorithm>

namespace {
constexpr uint32_t settle_ms = 200;          // another program may still be writing
constexpr uint32_t longest_settle_ms = 1000; // from the first change, however busy the folder
constexpr uint32_t first_retry_ms = 100;     // then twice as long each time
constexpr int read_retries = 5;              // 100 + 200 + 400 + 800 + 1600 ms
constexpr uint32_t await_ms = 2000;          // a missing file's folder may not even exist to watch

DiskAction note_gone() {
    engine.file.on_disk = DiskIdentity{};
    const LoadedFile& file = engine.file;
    if (!file.link_target.empty())
        status_printf(" The trigger file links to %s, which is missing; Save writes it there "
                      "again: %s",
                      file.link_target.c_str(), file.path.c_str());
    else
        status_printf(" The trigger file is no longer on disk; Save writes it again: %s",
                      file.path.c_str());
    return DiskAction::noted_gone;
}

// A read that failed: tried again a little later each time, a few times.
DiskAction retry_read() {
    DiskCheck& disk = engine.disk;
    if (disk.failed_reads >= read_retries) {
        disk.failed_reads = 0;
        status_printf(" The trigger file changed on disk but could not be read; it is loaded "
                      "at its next change: %s",
                      engine.file.path.c_str());
        return DiskAction::noted_unreadable;
    }
    set_timer(disk_check_timer, first_retry_ms << disk.failed_reads++);
    return DiskAction::retrying;
}

// Loads the file again over a clean editor. When that leaves the editor
// empty (the file was emptied, or can no longer be loaded), the text it
// showed is nowhere else: it is kept in a copy.
DiskAction reload_keeping_shown_text() {
    const std::string shown = editor_text_utf8(), path = engine.file.path;
    load_triggers(path.c_str(), true, IfMissing::wait);
    const LoadedFile& file = engine.file;
    const bool emptied = file.refusal != FileRead::ok || editor_text_utf8().empty();
    if (!emptied || shown.empty()) {
        if (file.refusal == FileRead::ok)
            status_printf(" Triggers Loaded: %d  (reloaded: the file changed on disk)",
                          file.table.count);
        return DiskAction::reloaded;
    }
    const std::string kept = keep_text_copy(shown, KeptWhy::emptied);
    const char* what = file.refusal == FileRead::ok
                           ? " Reloaded: the trigger file on disk is now empty"
                           : " The trigger file changed on disk and could not be loaded";
    if (kept.empty())
        status_printf("%s; the text shown before could not be kept anywhere", what);
    else
        status_printf("%s; the text shown before is kept in %s", what, kept.c_str());
    return DiskAction::reloaded;
}
} // namespace

uint64_t hash_bytes(const char* bytes, std::size_t size) {
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(bytes[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

void remember_trigger_file(const char* path, const char* bytes, std::size_t size) {
    const FileStat stat = file_stat(path);
    DiskIdentity& known = engine.file.on_disk;
    known = DiskIdentity{stat.exists, bytes != nullptr, stat.write_time, stat.size,
                         bytes ? hash_bytes(bytes, size) : 0};
}

DiskChange trigger_file_change() {
    DiskIdentity& known = engine.file.on_disk;
    const FileStat now = file_stat(engine.file.path.c_str());
    if (!now.exists) return known.exists ? DiskChange::gone : DiskChange::same;
    char* raw = nullptr;
    std::size_t size = 0;
    if (read_whole_file(engine.file.path.c_str(), max_trigger_file_size, &raw, &size) !=
        FileRead::ok)
        return DiskChange::unreadable;
    const HeapText bytes(raw);
    if (!known.exists || !known.hashed || size != known.size || hash_bytes(raw, size) != known.hash)
        return DiskChange::changed;
    known.write_time = now.write_time; // touched, not changed
    return DiskChange::same;
}

DiskAction react_to_disk_change(bool editor_dirty) {
    const DiskChange change = trigger_file_change();
    if (change != DiskChange::unreadable) engine.disk.failed_reads = 0;
    switch (change) {
    case DiskChange::same:
        return DiskAction::none;
    case DiskChange::gone:
        return note_gone();
    case DiskChange::unreadable:
        // A file that could not be read when it was loaded, and still cannot, is no news.
        return engine.file.on_disk.hashed ? retry_read() : DiskAction::none;
    case DiskChange::changed:
        break;
    }
    if (editor_dirty) {
        // Left as it is, so that Save still sees the change and asks.
        status_printf(" The trigger file was changed by another program; Save will ask before "
                      "writing over it");
        return DiskAction::noted_changed;
    }
    return reload_keeping_shown_text();
}

DiskAction discard_edits_and_reload() {
    // Whatever was last seen of it: a file that is not there now is not loaded.
    const bool there = file_stat(engine.file.path.c_str()).exists;
    switch (there ? trigger_file_change() : DiskChange::gone) {
    case DiskChange::gone:
        status_printf(" The trigger file is no longer on disk, so your edits stay in the editor; "
                      "Save writes them to it: %s",
                      engine.file.path.c_str());
        engine.file.on_disk = DiskIdentity{};
        return DiskAction::noted_gone;
    case DiskChange::unreadable:
        status_printf(" The trigger file cannot be read just now, so your edits stay in the "
                      "editor: %s",
                      engine.file.path.c_str());
        return DiskAction::noted_unreadable;
    default:
        break;
    }
    const std::string kept = keep_text_copy(editor_text_utf8(), KeptWhy::discarded);
    const std::string path = engine.file.path;
    load_triggers(path.c_str(), true, IfMissing::wait);
    if (kept.empty())
        status_printf(" Loaded the file from disk; your discarded edits could not be kept");
    else
        status_printf(" Loaded the file from disk; your discarded edits are kept in %s",
                      kept.c_str());
    return DiskAction::reloaded;
}

void await_trigger_file() {
    set_timer(disk_check_timer, await_ms);
}

void trigger_folder_changed() {
    // Each change waits for the writer to finish, but a folder that never
    // goes quiet (a log written many times a second) holds the look back
    // no longer than a second from the first change.
    DiskCheck& disk = engine.disk;
    const uint32_t now = tick_count();
    if (!disk.pending) disk.first_change = now;
    disk.pending = true;
    const uint32_t waited = now - disk.first_change;
    set_timer(disk_check_timer,
              std::max<uint32_t>(
                  1, std::min(settle_ms, longest_settle_ms - std::min(waited, longest_settle_ms))));
}

void check_trigger_file() {
    // Never while an output plays: a reload would let go of the modifiers a
    // "{CtrlDown}" holds, and a match could cut into it. It is looked at once
    // the output is done.
    if (output_on_its_way()) return set_timer(disk_check_timer, settle_ms);
    engine.disk.pending = false;
    const DiskAction action = react_to_disk_change(editor_has_unsaved_edits());
    if (engine.file.awaited && action == DiskAction::none) await_trigger_file();
}
