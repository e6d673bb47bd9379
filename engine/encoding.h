// How a trigger file's bytes are read. A file is UTF-8 when it starts with
// the UTF-8 byte-order mark, or when it is valid UTF-8 and holds at least one
// multi-byte sequence; otherwise it is ANSI (the system code page), as it
// always was. ANSI bytes above 127 that happen to form valid UTF-8 sequences
// throughout the file are read as UTF-8; such a file still saves back byte
// for byte, since valid UTF-8 decodes and encodes to the same bytes.
//
// The engine's text stays 8-bit: a UTF-8 file is translated once, here, for
// the loader, the output lookup and the checker alike. Characters of the
// code page become its bytes; any other character of an output becomes a
// "{U+XXXX}" token; a trigger holding such a character cannot be typed, and
// its line is set aside (and reported).
#pragma once

#include "common/memory.h"
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <vector>

enum class TextEncoding : uint8_t {
    ansi,
    utf8,     // without a byte-order mark
    utf8_bom, // with one: it is written back
};

TextEncoding detect_encoding(const char* text, std::size_t size);

// Translates `text` (a mem_alloc block with `size` bytes of file) into the
// engine's 8-bit text in place of the old block, when the file is UTF-8.
// `untypeable` gets the 1-based numbers of the lines whose trigger holds a
// character the code page lacks; those lines start with ";" in the result,
// so that nothing loads from them. False when no memory could be had (the
// text is then left as it was).
bool to_engine_text(HeapText& text, std::size_t& size, TextEncoding encoding,
                    std::vector<int>* untypeable);

// Reads a trigger file whole (as read_whole_file, up to the trigger file
// limit) and makes its text the engine's; `no_memory` when the translation
// found no room. `encoding` and `untypeable` may be null.
FileRead read_engine_text(const char* path, HeapText& text, std::size_t& size,
                          TextEncoding* encoding, std::vector<int>* untypeable);

// The code point of a "{U+XXXX}" token at `text` (1 to 6 hex digits, any
// case) and its length; 0 when there is none, or when it names no character
// (a surrogate, or above U+10FFFF): such text is typed as it stands.
uint32_t parse_unicode_token(const char* text, uint32_t* length);
