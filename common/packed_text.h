// Built-in texts are stored packed: a two-digit hexadecimal entry count N, a
// one-digit hexadecimal width w, N table entries of a code byte followed by
// its w-byte expansion, then the body. Unpacking applies the entries from the
// last to the first, each replacing every code byte by its expansion.
#pragma once

#include <cstdint>

// Unpacks `packed`; `length` holds the packed length on entry and the
// unpacked length on return. Returns a zero-filled mem_alloc block of
// max(4 MiB, 4 * packed length + 4096) bytes holding the text and a zero
// byte, owned by the caller, or nullptr for an absent text, a zero length, a
// failed allocation, or a text that is malformed (shorter than its header and
// table, width 0) or would not fit the block.
char* unpack_text(const char* packed, int32_t* length);
