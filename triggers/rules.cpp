#include "triggers/rules.h"

#include "common/text.h"

namespace {
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// "keepass.exe, ztw*.exe, title:Remote Desktop, class:ConsoleWindowClass"
ProgramList program_list(std::string_view value) {
    ProgramList rules;
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        std::string_view item = trimmed(value.substr(0, comma));
        value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
        ProgramRule rule;
        if (item.size() >= 6 && equal_nocase(item.data(), "title:", 6)) {
            rule.kind = ProgramRule::title;
            item = trimmed(item.substr(6));
        } else if (item.size() >= 6 && equal_nocase(item.data(), "class:", 6)) {
            rule.kind = ProgramRule::window_class;
            item = trimmed(item.substr(6));
        }
        if (item.empty()) continue;
        rule.pattern = std::string(item);
        rules.push_back(std::move(rule));
    }
    return rules;
}

void add_programs(ProgramList& to, std::string_view value) {
    ProgramList rules = program_list(value);
    to.insert(to.end(), rules.begin(), rules.end());
}
} // namespace

bool apply_directive(std::string_view comment, FileRules& file, TriggerRules& trigger) {
    enum Name { never_in, only_in, word_start, any_case, paste, type_in, window };
    static const std::string_view names[] = {
        "Quillomat_NEVER_IN", "Quillomat_ONLY_IN", "Quillomat_WORD_START",  "Quillomat_CASE",
        "Quillomat_PASTE",    "Quillomat_TYPE_IN", pattern_window_directive};
    comment = trimmed(comment);
    for (int n = never_in; n <= window; ++n) {
        const std::string_view name = names[n];
        if (comment.size() <= name.size() ||
            !equal_nocase(comment.data(), name.data(), name.size()))
            continue;
        const std::string_view rest = trimmed(comment.substr(name.size()));
        if (rest.empty() || rest.front() != ':') continue;
        const std::string_view value = trimmed(rest.substr(1));
        const bool on = value.size() >= 2 && equal_nocase(value.data(), "on", 2);
        switch (n) {
        case never_in:
            add_programs(file.never_in, value);
            break;
        case only_in:
            if (value == "*" || file.sections.size() >= 255) {
                trigger.section = 0;
            } else {
                file.sections.push_back(program_list(value));
                trigger.section = static_cast<uint8_t>(file.sections.size());
            }
            break;
        case word_start:
            trigger.word_start = on;
            break;
        case any_case:
            trigger.any_case = on;
            break;
        case paste: { // the least length of a pasted run; 100 when no number is given
            const int32_t least = parse_decimal(std::string(value).c_str());
            file.paste_at = least > 0 ? least : 100;
            break;
        }
        case type_in:
            add_programs(file.type_in, value);
            break;
        default:
            file.pattern_window = pattern_window_from(value);
            break;
        }
        return true;
    }
    return false;
}

bool wildcard_matches(std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    auto same = [](char a, char b) { return equal_nocase(&a, &b, 1); };
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], text[t]))) {
            ++p, ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool program_matches(const ProgramList& rules, const FrontProgram& front) {
    for (const ProgramRule& rule : rules) {
        const std::string& field = rule.kind == ProgramRule::exe     ? front.exe
                                   : rule.kind == ProgramRule::title ? front.title
                                                                     : front.window_class;
        const bool hit = rule.kind == ProgramRule::title
                             ? find_nocase(field.c_str(), rule.pattern.c_str()) != nullptr
                             : wildcard_matches(rule.pattern, field);
        if (hit) return true;
    }
    return false;
}

std::string describe_programs(const ProgramList& rules, const char* separator) {
    std::string out;
    for (const ProgramRule& rule : rules) {
        if (!out.empty()) out += separator;
        out += rule.kind == ProgramRule::title          ? "title:"
               : rule.kind == ProgramRule::window_class ? "class:"
                                                        : "";
        out += rule.pattern;
    }
    return out;
}
