// Packs a plain text into the built-in text format (see common/packed_text.h)
// by byte-pair substitution: code bytes are taken from the byte values the
// text never uses, so unpacking restores it exactly. Build-time only.
#pragma once

#include <string>
#include <string_view>

// Returns the packed form; it contains no zero byte when `text` contains none.
std::string pack_text(std::string_view text);
