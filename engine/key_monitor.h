// The keystroke monitor's state: what each key was when last polled, and the
// characters typed most recently, newest first.
#pragma once

#include <array>
#include <cstdint>

constexpr int history_length = 32;

struct KeyMonitor {
    std::array<uint8_t, 256> key_state{};       // 1: down when last polled
    std::array<char, history_length> history{}; // 0: no character
};

extern KeyMonitor key_monitor;
