#include "tools/packer.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {
constexpr std::size_t max_entries = 255;
constexpr std::size_t width = 2;
// A pair must save at least this many bytes beyond its table entry to be worth one.
constexpr std::size_t min_gain = 1;

std::size_t best_pair(const std::string& body, std::size_t& count) {
    std::vector<uint32_t> counts(65536, 0);
    std::vector<uint32_t> last_end(
        65536, 0); // where the last counted use ended, so overlaps ("aaa") count once
    for (std::size_t i = 0; i + 1 < body.size(); ++i) {
        const std::size_t pair =
            static_cast<unsigned char>(body[i]) * 256u + static_cast<unsigned char>(body[i + 1]);
        if (counts[pair] != 0 && last_end[pair] > i) continue;
        ++counts[pair];
        last_end[pair] = static_cast<uint32_t>(i + 2);
    }
    std::size_t best = 0;
    count = 0;
    for (std::size_t pair = 0; pair < counts.size(); ++pair) {
        if (counts[pair] > count) {
            count = counts[pair];
            best = pair;
        }
    }
    return best;
}
} // namespace

std::string pack_text(std::string_view text) {
    std::string body(text);
    std::array<bool, 256> used{};
    used[0] = true;
    for (unsigned char c : body)
        used[c] = true;

    std::string table;
    std::size_t entries = 0;
    for (unsigned code = 1; code < 256 && entries < max_entries; ++code) {
        if (used[code]) continue;
        std::size_t count = 0;
        const std::size_t pair = best_pair(body, count);
        // Each use saves one byte; the entry costs width + 1.
        if (count < width + 1 + min_gain) break;
        const char first = static_cast<char>(pair / 256), second = static_cast<char>(pair % 256);
        std::string next;
        next.reserve(body.size());
        for (std::size_t i = 0; i < body.size(); ++i) {
            if (i + 1 < body.size() && body[i] == first && body[i + 1] == second) {
                next.push_back(static_cast<char>(code));
                ++i;
            } else {
                next.push_back(body[i]);
            }
        }
        body.swap(next);
        used[code] = true;
        table.push_back(static_cast<char>(code));
        table.push_back(first);
        table.push_back(second);
        ++entries;
    }
    char header[4];
    std::snprintf(header, sizeof header, "%02x%x", static_cast<unsigned>(entries),
                  static_cast<unsigned>(width));
    return std::string(header) + table + body;
}
