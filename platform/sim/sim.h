// Controls and records of the simulated platform, for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SimKeyEvent {
    uint8_t vk;
    uint8_t scan_code;
    uint32_t flags;
};

// Puts the simulated desktop back to its starting state: no key down, Caps
// Lock off, empty logs, no locked files, the built-in texts of the build.
void sim_reset();

void sim_set_key(int vk, bool down);
void sim_set_caps_lock(bool on);
// Keys that the program pressed through send_key_event are also held by the
// simulated keyboard until released, as on a real desktop.
const std::vector<SimKeyEvent>& sim_key_events();
void sim_clear_key_events();
// Key events as one line: "+10 +41 -41 -10", an "e" after an extended event.
std::string sim_key_transcript();

// Makes reads of `path` fail as if the file were locked by another program.
void sim_lock_file(const std::string& path);
// Replaces a built-in text for the next reads (empty: the program has none).
void sim_set_builtin_text(int id, const std::string& packed);

const std::string& sim_editor_text();
// Every text written to the status bar, oldest first.
const std::vector<std::string>& sim_status_texts();
std::string sim_status_text(); // the latest, "" when none was written
