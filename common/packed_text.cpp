#include "common/packed_text.h"

#include "common/memory.h"

#include <cstring>

namespace {
int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

constexpr std::size_t minimum_block = 4u * 1024u * 1024u;
} // namespace

char* unpack_text(const char* packed, int32_t* length) {
    if (!packed || !length || *length <= 0) return nullptr;
    const std::size_t packed_length = static_cast<std::size_t>(*length);
    if (packed_length < 3) return nullptr;
    const std::size_t entries =
        static_cast<std::size_t>(16 * hex_digit(packed[0]) + hex_digit(packed[1]));
    const std::size_t width = static_cast<std::size_t>(hex_digit(packed[2]));
    if (width == 0) return nullptr;
    const std::size_t table_end = 3 + entries * (width + 1);
    if (table_end > packed_length) return nullptr;

    const std::size_t capacity =
        packed_length * 4 + 4096 > minimum_block ? packed_length * 4 + 4096 : minimum_block;
    HeapText block = alloc_text(capacity);
    if (!block) return nullptr;

    std::size_t used = packed_length - table_end;
    std::memcpy(block.get(), packed + table_end, used);

    // Each entry's pass maps every byte of the current text to itself or to
    // the expansion, without re-examining inserted bytes. Doing it through a
    // second block keeps a pass linear instead of shifting the tail for every
    // hit; the result is the same as in-place insertion.
    HeapText spare;
    for (std::size_t k = entries; k-- > 0;) {
        const char* entry = packed + 3 + k * (width + 1);
        const char code = entry[0];
        if (!std::memchr(block.get(), code, used)) continue;
        if (!spare) {
            spare = alloc_text(capacity);
            if (!spare) return nullptr;
        }
        std::size_t out = 0;
        for (std::size_t i = 0; i < used; ++i) {
            if (block.get()[i] == code) {
                if (out + width >= capacity) return nullptr; // keep room for the terminator
                std::memcpy(spare.get() + out, entry + 1, width);
                out += width;
            } else {
                if (out + 1 >= capacity) return nullptr;
                spare.get()[out++] = block.get()[i];
            }
        }
        std::memset(spare.get() + out, 0, used > out ? used - out : 0);
        block.swap(spare);
        used = out;
    }
    if (used >= capacity) return nullptr;
    block.get()[used] = '\0';
    *length = static_cast<int32_t>(used);
    return block.release();
}
