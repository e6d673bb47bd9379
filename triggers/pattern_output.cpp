// A pattern trigger's output with its groups filled in.
#include "triggers/patterns.h"

#include "common/text.h"
#include "common/unicode.h"

namespace {
using Change = GroupReference::Change;

bool is_name_start(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool is_name_char(char c) {
    return is_name_start(c) || (c >= '0' && c <= '9');
}

bool read_change(std::string_view word, Change& change) {
    static const struct {
        std::string_view word;
        Change change;
    } changes[] = {{"upper", Change::upper}, {"lower", Change::lower}, {"title", Change::title}};
    for (const auto& known : changes) {
        if (word.size() == known.word.size() &&
            equal_nocase(word.data(), known.word.data(), word.size())) {
            change = known.change;
            return true;
        }
    }
    return false;
}

std::string change_case(const std::string& text, Change change) {
    if (change == Change::none) return text;
    std::u32string characters = utf8_to_code_points(text);
    bool in_word = false;
    for (char32_t& c : characters) {
        const bool word = is_word_char(c);
        if (change == Change::upper)
            c = unicode_upper(c);
        else if (change == Change::lower)
            c = unicode_lower(c);
        else
            c = word && !in_word ? unicode_title(c) : unicode_lower(c);
        in_word = word;
    }
    return code_points_to_utf8(characters);
}
} // namespace

bool read_group_reference(std::string_view text, GroupReference& reference) {
    reference = GroupReference{};
    const std::size_t close = text.find('}');
    if (text.size() < 3 || text[0] != '{' || close == std::string_view::npos) return false;
    std::string_view inside = text.substr(1, close - 1);
    const std::size_t bar = inside.find('|');
    if (bar != std::string_view::npos) {
        if (!read_change(inside.substr(bar + 1), reference.change)) return false;
        inside = inside.substr(0, bar);
    }
    if (inside.size() == 1 && inside[0] >= '1' && inside[0] <= '9') {
        reference.number = inside[0] - '0';
    } else {
        if (inside.empty() || !is_name_start(inside[0])) return false;
        for (const char c : inside)
            if (!is_name_char(c)) return false;
        reference.name = inside;
    }
    reference.length = close + 1;
    return true;
}

OutputPieces render_pattern_output(std::string_view output, const Pattern& pattern,
                                   const PatternMatch* match) {
    OutputPieces pieces;
    std::string markup;
    auto flush_markup = [&] {
        if (!markup.empty()) pieces.push_back({OutputPiece::markup, std::move(markup)});
        markup.clear();
    };
    for (std::size_t at = 0; at < output.size();) {
        if (output.compare(at, 2, "{{") == 0) { // a date, "{{dd}}"
            markup += "{{";
            at += 2;
            continue;
        }
        GroupReference reference;
        const bool found = read_group_reference(output.substr(at), reference);
        const int number =
            reference.number ? reference.number : pattern.group_named(reference.name);
        if (!found || number == 0) { // "{Enter}" and the like
            markup += output[at++];
            continue;
        }
        at += reference.length;
        const auto group = static_cast<std::size_t>(number);
        if (!match || group >= match->groups.size() || match->groups[group].empty()) continue;
        flush_markup();
        pieces.push_back({OutputPiece::text, change_case(match->groups[group], reference.change)});
    }
    flush_markup();
    return pieces;
}
