#include "engine/search.h"

#include "common/text.h"
#include "common/utf8.h"
#include "triggers/encoding.h"
#include "triggers/report.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {
using Text = std::u32string;

// The text's characters; a byte that is no UTF-8 stands for itself.
Text code_points(std::string_view text) {
    Text out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 0;
        const uint32_t cp = utf8_decode(bytes, text.size(), at, &length);
        out += length ? cp : bytes[at];
        at += length ? length : 1;
    }
    return out;
}

// Letters and digits of any script; punctuation, symbols and spaces are not.
bool is_word_char(uint32_t c) {
    if (c < 0x80) return std::isalnum(static_cast<int>(c)) != 0;
    if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
    if (c >= 0x2000 && c <= 0x2BFF) return false; // punctuation, arrows, symbols
    if (c >= 0x3000 && c <= 0x303F) return false; // CJK punctuation
    return true;
}

// Lower case for the scripts most trigger files are written in.
uint32_t fold(uint32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c < 0xC0) return c;
    if (c <= 0xDE && c != 0xD7) return c + 0x20;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c + (c & 1);
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

// The words of a comment, without its ";" and the rules around them.
std::string label_of(std::string_view comment) {
    const Text chars = code_points(comment);
    std::size_t first = 0, last = chars.size();
    while (first < last && !is_word_char(chars[first]))
        ++first;
    while (last > first && !is_word_char(chars[last - 1]))
        --last;
    std::string out;
    for (std::size_t i = first; i < last; ++i)
        utf8_append(out, chars[i]);
    return out;
}

// The label a comment line gives the trigger below it: none when the line
// was set aside (its trigger cannot be typed) or is a directive.
std::string comment_label(const LoadedFile& file, std::string_view comment, int line) {
    for (const int set_aside : file.untypeable)
        if (set_aside == line) return "";
    FileRules file_rules;
    TriggerRules trigger_rules;
    if (apply_directive(comment, file_rules, trigger_rules)) return "";
    return label_of(engine_text_to_utf8(comment));
}

// Where the line that `at` stands on starts.
std::size_t line_start(std::string_view text, std::size_t at) {
    while (at > 0 && text[at - 1] != '\r' && text[at - 1] != '\n')
        --at;
    return at;
}

// The best score of `query` as a subsequence of `field`: every start at an
// occurrence of its first character is tried, and the rest is matched
// greedily, preferring the next character right after the last one.
int field_score(const Text& field, const Text& query) {
    constexpr int per_char = 16, consecutive = 12, word_start = 10, field_start = 8;
    constexpr int max_starts = 16;
    int best = 0, starts = 0;
    for (std::size_t start = 0; start < field.size() && starts < max_starts; ++start) {
        if (fold(field[start]) != fold(query[0])) continue;
        ++starts;
        int score = 0;
        std::size_t at = start, matched = 0, previous = Text::npos;
        while (matched < query.size() && at < field.size()) {
            if (fold(field[at]) != fold(query[matched])) {
                ++at;
                continue;
            }
            score += per_char;
            if (previous != Text::npos && at == previous + 1) score += consecutive;
            if (at == 0) score += field_start;
            // The start of a field is the start of its first word too.
            if ((at == 0 || !is_word_char(field[at - 1])) && is_word_char(field[at]))
                score += word_start;
            if (previous != Text::npos)
                score -= std::min<int>(static_cast<int>(at - previous - 1), 8); // a gap costs
            previous = at++;
            ++matched;
        }
        if (matched == query.size()) best = std::max(best, score);
    }
    return best;
}
} // namespace

std::vector<SearchItem> search_items(const LoadedFile& file) {
    const std::string_view text = file.text;
    // The comment lines, by their number, counted as the parser counts lines.
    std::vector<std::string_view> comments;
    int line = 1;
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == '\r' || text[at] == '\n') {
            if (text[at] == '\n' || at + 1 >= text.size() || text[at + 1] != '\n') ++line;
            ++at;
            continue;
        }
        const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        if (text[at] == ';') {
            comments.resize(static_cast<std::size_t>(line) + 1);
            comments[static_cast<std::size_t>(line)] = text.substr(at + 1, end - at - 1);
        }
        at = end;
    }
    auto label_above = [&](int trigger_line) -> std::string {
        const auto above = static_cast<std::size_t>(trigger_line - 1);
        if (above >= comments.size() || comments[above].data() == nullptr) return "";
        return comment_label(file, comments[above], trigger_line - 1);
    };
    const TriggerTable& table = file.table;
    std::vector<SearchItem> items;
    for (int i = 0; i < table.count; ++i) {
        const TriggerEntry& entry = table.entries[i];
        const std::string_view output =
            text.substr(std::min<std::size_t>(entry.output_at, text.size()),
                        std::min<std::size_t>(entry.output_length, search_output_chars));
        // A pattern is listed as written: it stands for many typed triggers.
        const std::string trigger = entry.pattern ? std::string(written_trigger(text, entry))
                                                  : describe_trigger(entry, true);
        SearchItem item{i,
                        entry.line,
                        engine_text_to_utf8(trigger),
                        label_above(entry.line),
                        engine_text_to_utf8(output),
                        ""};
        if (entry.section != 0)
            for (const ProgramRule& rule : table.sections[entry.section - 1u])
                item.programs += (item.programs.empty() ? "" : ", ") + rule.pattern;
        items.push_back(std::move(item));
    }
    return items;
}

int search_score(const SearchItem& item, std::string_view query) {
    if (query.empty()) return 1;
    const Text wanted = code_points(query);
    // A match in what the user named or types beats one in the output.
    constexpr int trigger_bonus = 24, label_bonus = 16;
    int best = 0;
    if (int s = field_score(code_points(item.trigger), wanted))
        best = std::max(best, s + trigger_bonus);
    if (int s = field_score(code_points(item.label), wanted))
        best = std::max(best, s + label_bonus);
    if (int s = field_score(code_points(item.output), wanted)) best = std::max(best, s);
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

std::string trigger_label(const LoadedFile& file, int entry) {
    if (entry < 0 || entry >= file.table.count) return "";
    const std::string_view text = file.text;
    const TriggerEntry& row = file.table.entries[entry];
    const std::size_t start = line_start(text, std::min<std::size_t>(row.output_at, text.size()));
    if (start == 0) return "";
    std::size_t end = start - 1; // the break before the trigger's line
    if (text[end] == '\n' && end > 0 && text[end - 1] == '\r') --end;
    const std::size_t above = line_start(text, end);
    if (end == above || text[above] != ';') return "";
    return comment_label(file, text.substr(above + 1, end - above - 1), row.line - 1);
}
