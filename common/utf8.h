// UTF-8, the encoding of every text inside the program that never was keys:
// paths, window titles, command lines, settings values, messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The code point of the UTF-8 sequence at text[at] and its length; length 0
// when the bytes there are not a valid, shortest-form sequence (overlong,
// a surrogate, above U+10FFFF or cut off).
uint32_t utf8_decode(const unsigned char* text, std::size_t size, std::size_t at,
                     std::size_t* length);

// Appends the UTF-8 form of a code point (U+FFFD for one that is none).
void utf8_append(std::string& out, uint32_t code_point);

// The longest prefix of `text` of at most `max_bytes` bytes that does not
// cut a character in two.
std::size_t utf8_prefix(std::string_view text, std::size_t max_bytes);
