// What the program knows of the trigger file on disk, so that a change made
// by another program (an editor, a sync tool) is never written over without
// a word, and shows in a clean editor at once.
#pragma once

#include <cstddef>
#include <cstdint>

struct DiskIdentity {
    bool exists = false;
    bool hashed = false; // the bytes were read: `hash` holds
    uint64_t write_time = 0, size = 0, hash = 0;
};

enum class DiskChange {
    same,    // as last loaded or saved (a touch that left the bytes alone counts as same)
    changed, // other bytes
    gone,    // no longer there
};

enum class DiskAction {
    none,
    reloaded,      // the editor was clean: the file was loaded again
    noted_changed, // the editor has unsaved edits: left alone, the status bar says so
    noted_gone,    // the file went away: nothing is written, the status bar says so
};

// A 64-bit hash of a file's bytes.
uint64_t hash_bytes(const char* bytes, std::size_t size);
// Remembers what the trigger file is now, from the bytes just read or written.
void remember_trigger_file(const char* path, const char* bytes, std::size_t size);
// What happened to the trigger file since it was last remembered. A file that
// cannot be read just now (another program is writing it) counts as the same:
// its next change tells.
DiskChange trigger_file_change();
// Something changed in the trigger file's folder: a changed file is loaded
// again when the editor holds no unsaved edits, else left alone and the
// status bar tells; a file that went away is never replaced by the examples.
DiskAction react_to_disk_change(bool editor_dirty);
