#include "triggers/fields.h"

#include "common/text.h"
#include "triggers/encoding.h"

namespace {
struct Keyword {
    std::string_view name;
    FieldKind kind;
};
constexpr Keyword keywords[] = {
    {"{Input:", FieldKind::line},
    {"{Choose:", FieldKind::choose},
    {"{Check:", FieldKind::check},
};

// One field token as written.
struct Token {
    std::size_t start = 0, end = 0; // the token is output[start, end)
    FieldKind kind = FieldKind::line;
    std::string label;                     // UTF-8, without the blanks around it
    bool has_text = false;                 // "=" follows the label
    std::string_view text;                 // after "=": a default, the items, a box's text
    std::vector<std::string_view> options; // after "|" (Input)
    bool star = false;                     // "{Check:*Label=...}"
    std::string problem;                   // empty when the token is sound
    int field = -1;                        // its field in the form; -1: it is no field
};

const Keyword* keyword_at(std::string_view output, std::size_t at) {
    for (const Keyword& keyword : keywords)
        if (output.size() - at >= keyword.name.size() &&
            same_nocase(output.substr(at, keyword.name.size()), keyword.name))
            return &keyword;
    return nullptr;
}

// Length of a "{U+XXXX}" token at `at`, 0 when there is none.
std::size_t unicode_token_length(std::string_view output, std::size_t at) {
    const std::string token(output.substr(at, 11));
    uint32_t length = 0;
    return parse_unicode_token(token.c_str(), &length) ? length : 0;
}

// Where the token's closing brace is; or, when it has none, where another
// "{" comes first or the output ends (a "{U+XXXX}" token inside it does not
// count).
std::size_t closing_brace(std::string_view output, std::size_t from) {
    for (std::size_t at = from; at < output.size(); ++at) {
        if (output[at] == '}') return at;
        if (output[at] != '{') continue;
        const std::size_t length = unicode_token_length(output, at);
        if (length == 0) return at;
        at += length - 1;
    }
    return output.size();
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

// A piece of the output to show in the checker's words.
std::string quoted(std::string_view text) {
    constexpr std::size_t shown = 40;
    std::string out = engine_text_to_utf8(text.substr(0, shown));
    return "\"" + out + (text.size() > shown ? "...\"" : "\"");
}

// Reads the label and the parts after it from the token's inside.
void read_body(Token& token, std::string_view body) {
    const std::size_t label_end = body.find_first_of("=|");
    std::string_view label = trimmed(body.substr(0, label_end));
    if (token.kind == FieldKind::check && !label.empty() && label.front() == '*') {
        token.star = true;
        label = trimmed(label.substr(1));
    }
    token.label = engine_text_to_utf8(label);
    if (label_end == std::string_view::npos) return;
    std::string_view rest = body.substr(label_end);
    if (rest.front() == '=') {
        token.has_text = true;
        rest.remove_prefix(1);
        const std::size_t options = token.kind == FieldKind::line ? rest.find('|') : rest.npos;
        token.text = rest.substr(0, options);
        rest = options == rest.npos ? std::string_view() : rest.substr(options);
    }
    if (!rest.empty()) token.options = split(rest.substr(1), '|');
}

// The first problem of a token on its own (its label's other places aside).
std::string own_problem(const Token& token, std::string_view written) {
    if (token.label.empty()) return "field token " + quoted(written) + " has no label";
    if (token.kind == FieldKind::line) {
        for (const std::string_view option : token.options)
            if (!same_nocase(trimmed(option), "multi"))
                return "unknown option " + quoted(option) + " in field \"" + token.label +
                       "\" (only \"multi\")";
    } else if (!token.options.empty()) {
        return "\"" + token.label + "\": what follows the label starts with \"=\", not \"|\"";
    }
    return {};
}

bool is_multi(const Token& token) {
    return !token.options.empty();
}

// Input fields of one and several lines share labels; other kinds do not.
bool same_family(FieldKind a, FieldKind b) {
    const auto family = [](FieldKind kind) {
        return kind == FieldKind::lines ? FieldKind::line : kind;
    };
    return family(a) == family(b);
}

const char* kind_words(FieldKind kind) {
    switch (kind) {
    case FieldKind::line:
        return "a one-line Input field";
    case FieldKind::lines:
        return "a multi-line Input field";
    case FieldKind::choose:
        return "a Choose list";
    default:
        return "a Check box";
    }
}

FormField new_field(const Token& token) {
    FormField field;
    field.kind = token.kind == FieldKind::line && is_multi(token) ? FieldKind::lines : token.kind;
    field.label = token.label;
    if (token.kind == FieldKind::choose) {
        bool starred = false;
        for (std::string_view item : split(token.text, '|')) {
            if (!item.empty() && item.front() == '*') {
                item.remove_prefix(1);
                if (!starred) field.chosen = field.items.size();
                starred = true;
            }
            field.items.push_back(engine_text_to_utf8(item));
        }
    } else {
        field.text = engine_text_to_utf8(token.text);
    }
    field.ticked = token.star;
    return field;
}

// Makes the token a field of the form: a new one, or a later place of one.
void join_form(Token& token, Form& form) {
    for (std::size_t i = 0; i < form.size(); ++i) {
        if (form[i].label != token.label) continue;
        if (!same_family(form[i].kind, token.kind))
            token.problem = "\"" + token.label + "\" is already " + kind_words(form[i].kind) +
                            ": one label names one field";
        else
            token.field = static_cast<int>(i);
        return;
    }
    if (token.kind == FieldKind::choose && (!token.has_text || token.text.empty()))
        token.problem = "list \"" + token.label + "\" has no items: write {Choose:" + token.label +
                        "=first|second}";
    else if (form.size() >= max_form_fields)
        token.problem = "more than " + std::to_string(max_form_fields) + " fields in one form";
    if (!token.problem.empty()) return;
    token.field = static_cast<int>(form.size());
    form.push_back(new_field(token));
}

struct Reading {
    std::vector<Token> tokens;
    Form form;
};

Reading read(std::string_view output) {
    Reading reading;
    for (std::size_t at = output.find('{'); at < output.size(); at = output.find('{', at + 1)) {
        const Keyword* keyword = keyword_at(output, at);
        if (!keyword) continue;
        Token token;
        token.start = at;
        token.kind = keyword->kind;
        const std::size_t body = at + keyword->name.size();
        const std::size_t close = closing_brace(output, body);
        if (close == output.size() || output[close] != '}') {
            token.end = close;
            token.problem = "field token " + quoted(output.substr(at, close - at)) +
                            " is not closed with \"}\"";
        } else {
            token.end = close + 1;
            read_body(token, output.substr(body, close - body));
            token.problem = own_problem(token, output.substr(at, token.end - at));
            if (token.problem.empty()) join_form(token, reading.form);
        }
        reading.tokens.push_back(std::move(token));
        at = reading.tokens.back().end - 1;
    }
    return reading;
}

std::string one_kind_of_line_break(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r') {
            out += '\n';
            if (at + 1 < text.size() && text[at + 1] == '\n') ++at;
        } else {
            out += text[at];
        }
    }
    return out;
}

FieldValue default_value(const FormField& field) {
    FieldValue value;
    value.ticked = field.ticked;
    if (field.kind == FieldKind::choose)
        value.text = field.chosen < field.items.size() ? field.items[field.chosen] : "";
    else if (field.kind != FieldKind::check)
        value.text = field.text;
    return value;
}

// What a token types, given its field's value.
std::string typed_text(const Token& token, const FormField& field, const FieldValue& value) {
    if (field.kind != FieldKind::check) return one_kind_of_line_break(value.text);
    if (!value.ticked) return {};
    return token.has_text ? engine_text_to_utf8(token.text) : field.text;
}

void add_piece(OutputPieces& pieces, OutputPiece::Kind kind, std::string_view content) {
    if (content.empty()) return;
    if (!pieces.empty() && pieces.back().kind == kind) {
        pieces.back().content += content;
        return;
    }
    pieces.push_back(OutputPiece{kind, std::string(content)});
}
} // namespace

bool has_fields(std::string_view output) {
    return !read(output).form.empty();
}

Form read_form(std::string_view output) {
    return read(output).form;
}

std::vector<FieldProblem> field_problems(std::string_view output) {
    std::vector<FieldProblem> problems;
    for (const Token& token : read(output).tokens)
        if (!token.problem.empty())
            problems.push_back(FieldProblem{static_cast<int>(token.start) + 1, token.problem});
    return problems;
}

std::string field_labels(const Form& form) {
    std::string out;
    for (const FormField& field : form)
        out += (out.empty() ? "" : ", ") + field.label;
    return out;
}

FormValues default_values(const Form& form) {
    FormValues values;
    for (const FormField& field : form)
        values.push_back(default_value(field));
    return values;
}

FormValues starting_values(const Form& form, const Form& last_form, const FormValues& last_values) {
    FormValues values = default_values(form);
    for (std::size_t i = 0; i < form.size(); ++i) {
        for (std::size_t k = 0; k < last_form.size() && k < last_values.size(); ++k) {
            if (last_form[k].label != form[i].label || last_form[k].kind != form[i].kind) continue;
            const FieldValue& last = last_values[k];
            const std::vector<std::string>& items = form[i].items;
            bool fits = true;
            if (form[i].kind == FieldKind::choose) {
                fits = false;
                for (const std::string& item : items)
                    fits = fits || item == last.text;
            }
            if (fits) values[i] = last;
            break;
        }
    }
    return values;
}

OutputPieces compose_output(std::string_view output, const Form& form, const FormValues& values) {
    const Reading reading = read(output);
    OutputPieces pieces;
    std::size_t done = 0;
    for (const Token& token : reading.tokens) {
        if (token.field < 0) continue;
        add_piece(pieces, OutputPiece::markup, output.substr(done, token.start - done));
        // By label: the form may have been read from the output as it was
        // when the trigger fired; a field it lacks keeps its default.
        const FormField& own = reading.form[static_cast<std::size_t>(token.field)];
        std::size_t i = 0;
        while (i < form.size() &&
               !(form[i].label == own.label && same_family(form[i].kind, own.kind)))
            ++i;
        const FormField& field = i < form.size() ? form[i] : own;
        const FieldValue value =
            i < form.size() && i < values.size() ? values[i] : default_value(field);
        add_piece(pieces, OutputPiece::text, typed_text(token, field, value));
        done = token.end;
    }
    add_piece(pieces, OutputPiece::markup, output.substr(done));
    return pieces;
}
