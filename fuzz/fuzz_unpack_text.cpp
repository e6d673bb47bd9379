// Any bytes as a packed text: unpacking must stay within its block, and the
// length it reports must match the text it returns.
#include "common/memory.h"
#include "common/packed_text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    const std::string packed(reinterpret_cast<const char*>(data), size);
    int32_t length = static_cast<int32_t>(packed.size());
    char* text = unpack_text(packed.c_str(), &length);
    if (text) {
        if (length < 0 || static_cast<std::size_t>(length) >= mem_size(text)) std::abort();
        if (text[length] != '\0') std::abort();
        mem_free(text);
    }
    return 0;
}
