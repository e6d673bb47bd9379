// Records the key events that reach the desktop, with a low-level keyboard
// hook on a thread of its own, and keeps them from reaching any window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct HookedKey {
    uint32_t vk;
    uint32_t scan_code;
    bool extended;
    bool release;
    bool injected;
};

bool key_hook_start();
void key_hook_stop();
void key_hook_clear();
// Waits (bounded) until at least `count` events arrived; returns them all.
std::vector<HookedKey> key_hook_wait(std::size_t count, int timeout_ms = 3000);
// "+10 +41 -41 -10", an "e" after an extended event.
std::string key_hook_transcript(const std::vector<HookedKey>& keys);
