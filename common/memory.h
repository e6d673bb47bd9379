// Zero-filled heap blocks that remember their size. Allocation failure gives
// nullptr, never an exception, so timer and window code can test and go on.
#pragma once

#include <cstddef>
#include <memory>

void* mem_alloc(std::size_t size);
void mem_free(void* block);
std::size_t mem_size(const void* block);
// For tests: the next `count` allocations fail as if memory were exhausted.
void mem_inject_failures(int count);

// Owns a block from mem_alloc; released with mem_free.
struct MemFree {
    void operator()(void* block) const { mem_free(block); }
};
using HeapText = std::unique_ptr<char, MemFree>;

inline HeapText alloc_text(std::size_t size) {
    return HeapText(static_cast<char*>(mem_alloc(size)));
}

// A buffer for a file's text: its size plus 4096 bytes, never less than 4096,
// so there is always room for the terminator and small in-place edits.
inline std::size_t file_buffer_size(std::size_t file_size) {
    return file_size + 4096;
}
