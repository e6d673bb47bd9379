// The keystroke monitor's state: what each key was when last polled, and the
// characters typed most recently, newest first.
#pragma once

#include <array>
#include <cstdint>

constexpr int history_length = 32;

struct KeyMonitor {
    std::array<uint8_t, 256> key_state{};       // 1: down when last polled
    std::array<char, history_length> history{}; // 0: no character
    uintptr_t front = 0; // the window in front when the last key was typed
    bool paused = false; // expansions are off: only PAUSE: and SEARCH: hotkeys fire
};

// Switches expansions off or on (PAUSE:, the tray menu, the setting at start)
// and has the shell show it.
void set_expansions_paused(bool paused);

extern KeyMonitor key_monitor;
