// Copies of the user's text kept where nothing else holds it: unsaved edits
// when a session ends without a save, edits the user chose to discard for
// the file on disk, and the text shown before a reload left the editor
// empty. A copy stands beside the trigger file, or in the user's own
// folder ("Recovered") when that one takes no file, each under a name of
// its own, and is offered at every start until the user opens or discards it.
#pragma once

#include "engine/disk_copy.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class KeptWhy : uint8_t {
    session_end, // unsaved edits when the session ended
    discarded,   // edits the user gave up for the file on disk
    emptied,     // the text shown before a reload left the editor empty
};

struct KeptText {
    std::string path;    // the copy
    std::string text;    // UTF-8, as the editor showed it
    std::string kept_at; // "2026-12-07 09:05:00"; empty when the copy does not say
    KeptWhy why = KeptWhy::session_end;
    DiskIdentity base;       // the trigger file as the text was based on it
    bool base_known = false; // the copy says what `base` was
};

// Writes a copy of `utf8` for the trigger file now loaded: beside it, else
// in the user's own folder. Returns the copy's path, "" when no place took it.
std::string keep_text_copy(std::string_view utf8, KeptWhy why);
// The copies kept for the trigger file now loaded, in both places, oldest first.
std::vector<KeptText> kept_texts();
// The editor now holds a kept copy's text: like any unsaved edits, Save asks
// before writing over a file that is no longer the one the text was based on.
void edits_based_on(const KeptText& kept);
// The name's start that every copy for `trigger_path` has: "quillomat (unsaved edits)".
std::string kept_name_start(const std::string& trigger_path);
