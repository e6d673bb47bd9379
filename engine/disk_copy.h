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
    same,       // the bytes last loaded or saved (whatever the time and size say)
    changed,    // other bytes
    gone,       // no longer there
    unreadable, // there, but it cannot be read just now (another program is writing it)
};

enum class DiskAction {
    none,
    reloaded,         // the editor was clean: the file was loaded again
    noted_changed,    // the editor has unsaved edits: left alone, the status bar says so
    noted_gone,       // the file went away: nothing is written, the status bar says so
    retrying,         // the file could not be read: it is looked at again shortly
    noted_unreadable, // it still could not be read: the status bar says so
};

// A 64-bit hash of a file's bytes.
uint64_t hash_bytes(const char* bytes, std::size_t size);
// Remembers what the trigger file is now, from the bytes just read or written.
void remember_trigger_file(const char* path, const char* bytes, std::size_t size);
// What happened to the trigger file since it was last remembered, by its
// bytes: a tool that keeps the size and the time still changes them.
DiskChange trigger_file_change();
// Something changed in the trigger file's folder: a changed file is loaded
// again when the editor holds no unsaved edits, else left alone and the
// status bar tells; a file that went away is never replaced by the
// examples; one that cannot be read is tried again a few times, each a
// little later. A reload that leaves the editor empty keeps the text it
// showed in a copy (see engine/recovery.h), and says where.
DiskAction react_to_disk_change(bool editor_dirty);
// "Load the file from disk and discard my edits": the edits are kept in a
// copy, and the file loaded. A file that is gone, or cannot be read just
// now, is not loaded: the edits stay in the editor.
DiskAction discard_edits_and_reload();
// The trigger file is missing and awaited: it is looked for now and then.
void await_trigger_file();
