// How a trigger file's bytes are read. A file is UTF-16 (little or big
// endian) when it starts with that byte-order mark; UTF-8 when it starts
// with the UTF-8 mark, or when it is valid UTF-8 and holds at least one
// multi-byte sequence; otherwise it is ANSI (the system code page), as it
// always was. ANSI bytes above 127 that happen to form valid UTF-8 sequences
// throughout the file are read as UTF-8; such a file still saves back byte
// for byte, since valid UTF-8 decodes and encodes to the same bytes.
//
// Bytes that are no text are never loaded, so that a save can never write
// over what the editor could not show: a zero byte anywhere (UTF-16 without
// a mark shows itself this way), a broken sequence in a file whose mark
// promises UTF-8 or UTF-16.
//
// The engine's text stays 8-bit: a Unicode file is translated once, here, for
// the loader, the output lookup and the checker alike. Characters of the
// code page become its bytes; any other character of an output becomes a
// "{U+XXXX}" token; a trigger holding such a character cannot be typed, and
// its line is set aside (and reported).
#pragma once

#include "common/memory.h"
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TextEncoding : uint8_t {
    ansi,
    utf8,     // without a byte-order mark
    utf8_bom, // with one: it is written back
    utf16le,  // with its byte-order mark, written back
    utf16be,  // the same, big endian
};

inline bool is_utf16(TextEncoding encoding) {
    return encoding == TextEncoding::utf16le || encoding == TextEncoding::utf16be;
}

TextEncoding detect_encoding(const char* text, std::size_t size);

// Why a file's bytes are not text the program can load and save back.
struct TextProblem {
    enum Kind : uint8_t {
        none,
        zero_byte,          // at `line`
        utf16_without_mark, // zero bytes in every other place
        invalid_utf8,       // a broken sequence at `line`, in a file marked as UTF-8
        invalid_utf16,      // a lone surrogate or an odd byte at `line`, in a UTF-16 file
    } kind = none;
    int line = 0;
};
TextProblem check_text(const char* text, std::size_t size, TextEncoding encoding);
// The problem in words, after "it": "holds a zero byte at line 3".
std::string describe_text_problem(const TextProblem& problem);

// Replaces a UTF-16 text (with its mark) by its UTF-8 form (without one) in
// a fresh block; false when no memory could be had.
bool utf16_to_utf8(HeapText& text, std::size_t& size, TextEncoding encoding);

// A file's text as the editor shows it: UTF-8 without a byte-order mark.
// `text` is the file's bytes, or their UTF-8 form for a UTF-16 file.
std::string text_for_editor(const char* text, std::size_t size, TextEncoding encoding);

// The editor's text (UTF-8) as the bytes of a file in `encoding`: the code
// page as ever, UTF-8 (with its mark when the file had one), or UTF-16 with
// its mark in its byte order. Text that the code page cannot hold (typed
// into an ANSI file) is written as UTF-8 with a mark rather than lose
// characters.
std::string encode_trigger_text(std::string_view utf8, TextEncoding encoding);

// Translates `text` (a mem_alloc block with `size` bytes of file) into the
// engine's 8-bit text in place of the old block, when the file is Unicode.
// `untypeable` gets the 1-based numbers of the lines whose trigger holds a
// character the code page lacks; those lines start with ";" in the result,
// so that nothing loads from them. False when no memory could be had (the
// text is then left as it was).
bool to_engine_text(HeapText& text, std::size_t& size, TextEncoding encoding,
                    std::vector<int>* untypeable);

// Reads a trigger file whole (as read_whole_file, up to the trigger file
// limit) and makes its text the engine's; `no_memory` when the translation
// found no room, `not_text` (with `problem` saying why) when the bytes are no
// text. `encoding`, `untypeable` and `problem` may be null.
FileRead read_engine_text(const char* path, HeapText& text, std::size_t& size,
                          TextEncoding* encoding, std::vector<int>* untypeable,
                          TextProblem* problem = nullptr);

// The code point of a "{U+XXXX}" token at `text` (1 to 6 hex digits, any
// case) and its length; 0 when there is none, or when it names no character
// (a surrogate, or above U+10FFFF): such text is typed as it stands.
uint32_t parse_unicode_token(const char* text, uint32_t* length);

// The characters an 8-bit engine text stands for, as UTF-8: code page bytes
// and "{U+XXXX}" tokens become the characters they are. For what is shown
// (the search window) and what names things (arguments of RUN: and WINDOW:).
std::string engine_text_to_utf8(std::string_view text);
