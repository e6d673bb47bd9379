// The simulated desktop's US keyboard layout.
#pragma once

#include <cstdint>

unsigned us_scan_code(int vk);
unsigned us_key_char(int vk);
int16_t us_char_key(char c);
