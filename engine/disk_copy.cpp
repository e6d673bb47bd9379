#include "engine/disk_copy.h"

#include "common/memory.h"
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/platform.h"
#include "ui/status.h"
#include "ui/ui.h"

namespace {
constexpr uint32_t settle_ms = 200; // another program may still be writing
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
    if (known.exists && now.write_time == known.write_time && now.size == known.size)
        return DiskChange::same;
    char* raw = nullptr;
    std::size_t size = 0;
    if (read_whole_file(engine.file.path.c_str(), max_trigger_file_size, &raw, &size) !=
        FileRead::ok)
        return DiskChange::same;
    const HeapText bytes(raw);
    if (known.exists && known.hashed && hash_bytes(raw, size) == known.hash) {
        known.write_time = now.write_time; // touched, not changed
        return DiskChange::same;
    }
    return DiskChange::changed;
}

DiskAction react_to_disk_change(bool editor_dirty) {
    switch (trigger_file_change()) {
    case DiskChange::same:
        return DiskAction::none;
    case DiskChange::gone:
        engine.file.on_disk = DiskIdentity{};
        status_printf(" The trigger file is no longer on disk; Save writes it again: %s",
                      engine.file.path.c_str());
        return DiskAction::noted_gone;
    case DiskChange::changed:
        break;
    }
    if (editor_dirty) {
        // Left as it is, so that Save still sees the change and asks.
        status_printf(" The trigger file was changed by another program; Save will ask before "
                      "writing over it");
        return DiskAction::noted_changed;
    }
    const std::string path = engine.file.path;
    load_triggers(path.c_str(), true);
    if (engine.file.refusal == FileRead::ok)
        status_printf(" Triggers Loaded: %d  (reloaded: the file changed on disk)",
                      engine.file.table.count);
    return DiskAction::reloaded;
}

void trigger_folder_changed() {
    set_timer(disk_check_timer, settle_ms);
}

void check_trigger_file() {
    // Never while an output plays: a reload would let go of the modifiers a
    // "{CtrlDown}" holds, and a match could cut into it. It is looked at once
    // the output is done.
    if (output_on_its_way()) return set_timer(disk_check_timer, settle_ms);
    react_to_disk_change(editor_has_unsaved_edits());
}
