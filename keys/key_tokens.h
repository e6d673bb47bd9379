// The key-token vocabulary: names in braces that stand for keys in output
// texts and triggers ("{Enter}", "{CtrlDown}", "{F5}" ...).
#pragma once

#include <cstdint>
#include <string_view>

struct KeyToken {
    std::string_view name; // braces included
    uint8_t vk;
};

// What to do with a token's key.
enum KeyMode : int { press_and_release = 0, press_only = 1, release_only = 2 };

// The table in lookup order, ended by a row with an empty name.
extern const KeyToken key_tokens[];
constexpr int key_token_count = 93;

// Whether events for this key carry the extended-key flag.
bool is_extended_key(uint8_t vk);

// Recognises a token at `text`: returns its key code, or 0 when none starts
// there. `length` and `mode` (both optional) are set to 0 first.
uint8_t parse_key_token(const char* text, uint32_t* length, int* mode);
