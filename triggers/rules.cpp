#include "triggers/rules.h"

#include "common/text.h"

namespace {
// "keepass.exe, ztw*.exe, title:Remote Desktop, class:ConsoleWindowClass".
// An entry that names nothing ("title:" alone) is left out and named in `problem`.
ProgramList program_list(std::string_view value, std::string* problem) {
    ProgramList rules;
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        std::string_view item = trimmed(value.substr(0, comma));
        value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
        ProgramRule rule;
        const std::string_view written = item;
        if (item.size() >= 6 && equal_nocase(item.data(), "title:", 6)) {
            rule.kind = ProgramRule::title;
            item = trimmed(item.substr(6));
        } else if (item.size() >= 6 && equal_nocase(item.data(), "class:", 6)) {
            rule.kind = ProgramRule::window_class;
            item = trimmed(item.substr(6));
        }
        if (item.empty()) {
            if (!written.empty() && problem->empty())
                *problem = "\"" + std::string(written) + "\" names nothing";
            continue;
        }
        rule.pattern = std::string(item);
        rules.push_back(std::move(rule));
    }
    if (rules.empty()) *problem = "no program is named: the line is ignored";
    return rules;
}

void add_programs(ProgramList& to, std::string_view value, std::string* problem) {
    ProgramList rules = program_list(value, problem);
    to.insert(to.end(), rules.begin(), rules.end());
}

// "on" or "off", in any case; anything else switches nothing.
void read_switch(std::string_view value, bool& on, std::string* problem) {
    const bool is_on = same_nocase(value, "on");
    if (is_on || same_nocase(value, "off"))
        on = is_on;
    else
        *problem = "\"" + std::string(value) + "\" is neither on nor off: the line is ignored";
}

// The least length of a pasted run: a whole number from 1 up, or 100 when
// none is written.
void read_paste_length(std::string_view value, int& least, std::string* problem) {
    bool digits = value.size() <= 9;
    for (const char c : value)
        digits = digits && c >= '0' && c <= '9';
    const int32_t number = digits ? parse_decimal(std::string(value).c_str()) : 0;
    if (value.empty() || number > 0)
        least = value.empty() ? 100 : number;
    else
        *problem = "\"" + std::string(value) +
                   "\" is no length: write the number of characters from which text is pasted "
                   "(Quillomat_PASTE: 100); the line is ignored";
}
} // namespace

bool apply_directive(std::string_view comment, FileRules& file, TriggerRules& trigger,
                     std::string* problem) {
    std::string unused;
    if (!problem) problem = &unused;
    problem->clear();
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
        // A value that cannot be read changes nothing: an empty list never
        // switches every trigger below it off without a word.
        switch (n) {
        case never_in:
            add_programs(file.never_in, value, problem);
            break;
        case only_in:
            if (value == "*" || file.sections.size() >= 255) {
                trigger.section = 0;
            } else if (ProgramList rules = program_list(value, problem); !rules.empty()) {
                file.sections.push_back(std::move(rules));
                trigger.section = static_cast<uint8_t>(file.sections.size());
            }
            break;
        case word_start:
            read_switch(value, trigger.word_start, problem);
            break;
        case any_case:
            read_switch(value, trigger.any_case, problem);
            break;
        case paste:
            read_paste_length(value, file.paste_at, problem);
            break;
        case type_in:
            add_programs(file.type_in, value, problem);
            break;
        default:
            file.pattern_window = pattern_window_from(value);
            break;
        }
        if (!problem->empty()) *problem = std::string(name) + ": " + *problem;
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
