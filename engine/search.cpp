#include "engine/search.h"

#include "common/text.h"
#include "engine/trigger_report.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {
bool is_word_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// The words of a comment, without its ";" and the rules around them.
std::string label_of(std::string_view comment) {
    std::size_t first = 0, last = comment.size();
    while (first < last && !is_word_char(comment[first]))
        ++first;
    while (last > first && !is_word_char(comment[last - 1]))
        --last;
    return std::string(comment.substr(first, last - first));
}

char fold(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The best score of `query` as a subsequence of `field`: every start at an
// occurrence of its first character is tried, and the rest is matched
// greedily, preferring the next character right after the last one.
int field_score(std::string_view field, std::string_view query) {
    constexpr int per_char = 16, consecutive = 12, word_start = 10, field_start = 8;
    constexpr int max_starts = 16;
    int best = 0, starts = 0;
    for (std::size_t start = 0; start < field.size() && starts < max_starts; ++start) {
        if (fold(field[start]) != fold(query[0])) continue;
        ++starts;
        int score = 0;
        std::size_t at = start, matched = 0, previous = std::string_view::npos;
        while (matched < query.size() && at < field.size()) {
            if (fold(field[at]) != fold(query[matched])) {
                ++at;
                continue;
            }
            score += per_char;
            if (previous != std::string_view::npos && at == previous + 1) score += consecutive;
            if (at == 0) score += field_start;
            if (at > 0 && !is_word_char(field[at - 1]) && is_word_char(field[at]))
                score += word_start;
            if (previous != std::string_view::npos)
                score -= std::min<int>(static_cast<int>(at - previous - 1), 8); // a gap costs
            previous = at++;
            ++matched;
        }
        if (matched == query.size()) best = std::max(best, score);
    }
    return best;
}
} // namespace

std::vector<SearchItem> search_items(const char* text, std::size_t size) {
    static TriggerTable table; // large: kept off the stack
    table = TriggerTable{};
    std::vector<LineNote> notes;
    const std::size_t end = length_bounded(text, size);
    parse_trigger_text(text, end, table, &notes);
    // A line of the text, from its start to its line end.
    auto line_at = [&](std::size_t offset) {
        const std::string_view rest(text + offset, end - offset);
        return rest.substr(0, rest.find_first_of("\r\n"));
    };
    std::vector<SearchItem> items;
    const LineNote* previous = nullptr;
    for (const LineNote& note : notes) {
        if (note.verdict == LineVerdict::trigger) {
            const std::string_view line = line_at(note.offset);
            SearchItem item{note.entry, describe_trigger(table.entries[note.entry]), "",
                            std::string(line.substr(line.find('=') + 1, search_output_chars))};
            if (previous && previous->verdict == LineVerdict::comment &&
                previous->line == note.line - 1)
                item.label = label_of(line_at(previous->offset).substr(1));
            items.push_back(std::move(item));
        }
        previous = &note;
    }
    return items;
}

int search_score(const SearchItem& item, std::string_view query) {
    if (query.empty()) return 1;
    // A match in what the user named or types beats one in the output.
    constexpr int trigger_bonus = 24, label_bonus = 16;
    int best = 0;
    if (int s = field_score(item.trigger, query)) best = std::max(best, s + trigger_bonus);
    if (int s = field_score(item.label, query)) best = std::max(best, s + label_bonus);
    if (int s = field_score(item.output, query)) best = std::max(best, s);
    return best;
}

std::vector<int> search_rank(const std::vector<SearchItem>& items, std::string_view query) {
    std::vector<std::pair<int, int>> scored; // score, index
    for (std::size_t i = 0; i < items.size(); ++i)
        if (const int score = search_score(items[i], query))
            scored.emplace_back(score, static_cast<int>(i));
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<int> order;
    order.reserve(scored.size());
    for (const auto& s : scored)
        order.push_back(s.second);
    return order;
}
