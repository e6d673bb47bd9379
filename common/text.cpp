#include "common/text.h"

#include <cstring>

namespace {
inline unsigned char fold(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}
} // namespace

bool equal_nocase(const char* a, const char* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i])))
            return false;
        if (a[i] == '\0') return true;
    }
    return true;
}

bool starts_with_nocase(const char* text, std::string_view prefix) {
    if (!text) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (text[i] == '\0') return false;
        if (fold(static_cast<unsigned char>(text[i])) !=
            fold(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

const char* find_nocase(const char* text, const char* needle) {
    if (!text || !needle || !*text || !*needle) return nullptr;
    const unsigned char first = fold(static_cast<unsigned char>(*needle));
    const std::size_t rest = std::strlen(needle + 1);
    for (const char* p = text; *p; ++p) {
        if (fold(static_cast<unsigned char>(*p)) != first) continue;
        std::size_t i = 0;
        while (i < rest && p[1 + i] != '\0' &&
               fold(static_cast<unsigned char>(p[1 + i])) ==
                   fold(static_cast<unsigned char>(needle[1 + i])))
            ++i;
        if (i == rest) return p;
        if (p[1 + i] == '\0') return nullptr; // the text ran out: no later start can fit
    }
    return nullptr;
}

char* find_nocase(char* text, const char* needle) {
    return const_cast<char*>(find_nocase(static_cast<const char*>(text), needle));
}

void replace_all_nocase(char* text, const char* needle, std::string_view replacement) {
    const std::size_t needle_length = std::strlen(needle);
    if (replacement.size() > needle_length) return; // the text may only shrink
    for (char* at = find_nocase(text, needle); at;
         at = find_nocase(at + replacement.size(), needle)) {
        std::memmove(at + replacement.size(), at + needle_length,
                     std::strlen(at + needle_length) + 1);
        std::memcpy(at, replacement.data(), replacement.size());
    }
}

int32_t parse_decimal(const char* text) {
    if (!text) return 0;
    const char* p = text;
    while (*p && (*p < '0' || *p > '9'))
        ++p;
    if (!*p) return 0;
    const bool negative = p > text && p[-1] == '-';
    uint32_t value = 0; // unsigned so that overflow wraps instead of being undefined
    for (; *p >= '0' && *p <= '9'; ++p)
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

char* format_decimal(int32_t value, char* out, std::size_t capacity) {
    char digits[12];
    std::size_t n = 0;
    uint32_t magnitude =
        value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10u);
        magnitude /= 10u;
    } while (magnitude != 0);
    char text[13];
    std::size_t len = 0;
    if (value < 0) text[len++] = '-';
    while (n > 0)
        text[len++] = digits[--n];
    copy_bounded(out, capacity, std::string_view(text, len));
    return out;
}

std::size_t copy_bounded(char* dest, std::size_t capacity, std::string_view source) {
    if (!dest || capacity == 0) return 0;
    std::size_t n = source.size() < capacity - 1 ? source.size() : capacity - 1;
    if (n) std::memmove(dest, source.data(), n);
    dest[n] = '\0';
    return n;
}

std::size_t append_bounded(char* dest, std::size_t capacity, std::string_view source) {
    if (!dest || capacity == 0) return 0;
    std::size_t used = length_bounded(dest, capacity);
    if (used >= capacity) { // not terminated: terminate at the end
        dest[capacity - 1] = '\0';
        return 0;
    }
    return copy_bounded(dest + used, capacity - used, source);
}

std::size_t length_bounded(const char* text, std::size_t capacity) {
    if (!text) return 0;
    const void* end = std::memchr(text, '\0', capacity);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : capacity;
}

std::string with_extension(std::string_view path, std::string_view extension) {
    const std::size_t name = path.find_last_of("\\/");
    const std::size_t dot = path.find_last_of('.');
    const bool has_extension = dot != std::string_view::npos &&
                               (name == std::string_view::npos ? dot > 0 : dot > name + 1);
    return std::string(path.substr(0, has_extension ? dot : path.size())) + std::string(extension);
}

bool same_nocase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && equal_nocase(a.data(), b.data(), a.size());
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}
