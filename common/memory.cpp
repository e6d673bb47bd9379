#include "common/memory.h"

#include <cstdlib>
#include <cstring>

namespace {
// The block's size is stored just in front of the bytes handed out; the
// header is as wide as max_align_t so the caller's bytes keep full alignment.
constexpr std::size_t header_size = alignof(std::max_align_t) > sizeof(std::size_t)
                                        ? alignof(std::max_align_t)
                                        : sizeof(std::size_t);
int failures_to_inject = 0;
} // namespace

void mem_inject_failures(int count) {
    failures_to_inject = count;
}

void* mem_alloc(std::size_t size) {
    if (failures_to_inject > 0) {
        --failures_to_inject;
        return nullptr;
    }
    if (size > static_cast<std::size_t>(-1) - header_size) return nullptr;
    auto* raw = static_cast<unsigned char*>(std::calloc(1, header_size + size));
    if (!raw) return nullptr;
    std::memcpy(raw, &size, sizeof size);
    return raw + header_size;
}

void mem_free(void* block) {
    if (!block) return;
    std::free(static_cast<unsigned char*>(block) - header_size);
}

std::size_t mem_size(const void* block) {
    if (!block) return 0;
    std::size_t size;
    std::memcpy(&size, static_cast<const unsigned char*>(block) - header_size, sizeof size);
    return size;
}
