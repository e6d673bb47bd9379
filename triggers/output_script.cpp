#include "triggers/output_script.h"

#include "common/text.h"
#include "common/unicode.h"
#include "keys/key_tokens.h"
#include "platform/platform.h"
#include "triggers/encoding.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr uint8_t vk_tab = 9, vk_enter = 13, vk_space = 32;

uint32_t code_point_of(char c) {
    const auto byte = static_cast<uint8_t>(c);
    return byte < 0x80 ? byte : code_point_of_ansi(byte);
}

// From the cursor to the character after the next "}" (one past the end
// when there is none).
std::size_t after_closing_brace(const char* text, std::size_t cursor, std::size_t length) {
    while (cursor < length && text[cursor] != '}')
        ++cursor;
    return cursor + 1;
}

// Copies the argument of "RUN: ", "WINDOW: " or "LIST: ": at most `limit`
// characters, up to the next CR, LF or "{" that does not start a "{U+XXXX}"
// character (one is copied whole or not at all). Returns its length.
std::size_t copy_argument(const char* from, std::size_t limit, std::string& out) {
    std::size_t n = 0;
    while (n < limit && from[n] && from[n] != '\r' && from[n] != '\n') {
        if (from[n] == '{') {
            uint32_t length = 0;
            if (!parse_unicode_token(from + n, &length) || n + length > limit) break;
            n += length;
            continue;
        }
        ++n;
    }
    out.assign(from, n);
    return n;
}

// A field of "{click": from `from` up to the next "," or the end of the
// text, cut to its first characters. Returns what follows the ",", or null.
const char* read_click_field(const char* from, std::string& field) {
    std::size_t n = 0;
    while (from[n] && from[n] != ',')
        ++n;
    field.assign(from, n < max_click_field_chars ? n : max_click_field_chars);
    return from[n] == ',' ? from + n + 1 : nullptr;
}

class Compiler {
  public:
    OutputScript script;
    bool ended = false; // a step after which nothing more plays

    // The first cursor mark: the step it stands in or before, and the
    // characters of that step already out before it.
    bool marked = false;
    std::size_t mark_step = 0, mark_chars = 0;

    void cursor() {
        if (marked) return; // only the first one counts
        marked = true;
        mark_step = script.size();
        if (!script.empty() && script.back().kind == OutputStep::type) {
            mark_step = script.size() - 1;
            mark_chars = script.back().chars.size();
        }
    }

    // The caret goes back over what came after the mark, once all of it is out.
    void add_caret_step() {
        if (!marked) return;
        const int after = typed_length(script, mark_step);
        const int presses = after < 0 ? -1 : after - static_cast<int>(mark_chars);
        if (presses == 0) return;
        add(OutputStep::caret);
        script.back().number = presses;
    }

    void markup(const std::string& piece) {
        const char* text = piece.c_str();
        const std::size_t length = std::strlen(text);
        std::size_t cursor = 0;
        while (cursor < length && !ended)
            cursor = step_at(text, cursor, length);
    }

    void text(std::string_view utf8) {
        const std::u32string chars = utf8_to_code_points(utf8);
        for (std::size_t at = 0; at < chars.size(); ++at) {
            const char32_t cp = chars[at];
            if (cp == '\r' && at + 1 < chars.size() && chars[at + 1] == '\n')
                continue; // CR LF is one line end
            if (cp == '\r' || cp == '\n') {
                key(vk_enter, press_and_release);
            } else if (cp == '\t') {
                key(vk_tab, press_and_release);
            } else if (cp >= 0x20 && cp != 0x7F) {
                const int byte = ansi_byte_of(cp);
                add_char(TypedChar{byte > 0 ? static_cast<char>(byte) : '\0', cp, true});
            }
        }
    }

  private:
    void add_char(const TypedChar& c) {
        if (script.empty() || script.back().kind != OutputStep::type)
            script.push_back(OutputStep{});
        script.back().chars.push_back(c);
    }
    void key(uint8_t vk, int mode) {
        OutputStep step;
        step.kind = OutputStep::key;
        step.vk = vk;
        step.mode = mode;
        script.push_back(step);
    }
    void add(OutputStep::Kind kind) {
        OutputStep step;
        step.kind = kind;
        script.push_back(std::move(step));
    }

    std::size_t command(const char* text, std::size_t cursor, std::size_t keyword,
                        std::size_t limit, OutputStep::Kind kind) {
        cursor += keyword;
        std::string argument;
        cursor += copy_argument(text + cursor, limit, argument);
        add(kind);
        // RUN: and WINDOW: name things: the characters the text stands for.
        script.back().argument =
            kind == OutputStep::list ? argument : engine_text_to_utf8(argument);
        return cursor;
    }

    std::size_t read_click(const char* text, std::size_t cursor, std::size_t length) {
        cursor += 7; // "{click" and one separator of any kind
        const char* args = cursor <= length ? text + cursor : "";
        std::string x_field, y_field;
        if (const char* after_comma = read_click_field(args, x_field))
            read_click_field(after_comma, y_field);
        add(OutputStep::click);
        OutputStep& step = script.back();
        step.x = parse_decimal(x_field.c_str());
        step.y = parse_decimal(y_field.c_str());
        step.button = starts_with_nocase(args, "right") ? OutputStep::right
                      : starts_with_nocase(args, "mid") ? OutputStep::middle
                                                        : OutputStep::left;
        step.double_click = starts_with_nocase(args, "dbl");
        return cursor <= length ? after_closing_brace(text, cursor, length) : length + 1;
    }

    // Reads what starts at the cursor; returns where the next step starts.
    std::size_t step_at(const char* text, std::size_t cursor, std::size_t length) {
        const char* at = text + cursor;
        if (starts_with_nocase(at, "{Delay")) {
            const int32_t period = cursor + 7 <= length ? parse_decimal(at + 7) : 0;
            add(OutputStep::delay);
            script.back().number = period < 0 ? 0 : period;
            return after_closing_brace(text, cursor, length);
        }
        if (starts_with_nocase(at, "{click")) return read_click(text, cursor, length);
        if (starts_with_nocase(at, "{mouse_return}")) {
            add(OutputStep::mouse_return);
            return after_closing_brace(text, cursor, length);
        }
        if (starts_with_nocase(at, "RUN: "))
            return command(text, cursor, 5, max_command_chars, OutputStep::run);
        if (starts_with_nocase(at, "WINDOW: "))
            return command(text, cursor, 8, max_title_chars, OutputStep::window);
        if (starts_with_nocase(at, "LIST: "))
            return command(text, cursor, 6, max_list_chars, OutputStep::list);
        if (starts_with_nocase(at, "SEARCH:") || starts_with_nocase(at, "PAUSE:")) {
            add(at[0] == 'S' || at[0] == 's' ? OutputStep::search : OutputStep::pause);
            ended = true;
            return length;
        }
        uint32_t token_length = 0;
        if (const uint32_t cp = parse_unicode_token(at, &token_length)) {
            add_char(TypedChar{0, cp, false});
            return cursor + token_length;
        }
        int mode = 0;
        if (const uint8_t vk = parse_key_token(at, &token_length, &mode)) {
            key(vk, mode);
            return cursor + token_length;
        }
        add_char(TypedChar{*at, code_point_of(*at), false});
        return cursor + 1;
    }
};
} // namespace

OutputScript compile_output(const OutputPieces& pieces) {
    Compiler compiler;
    for (const OutputPiece& piece : pieces) {
        if (compiler.ended) break;
        if (piece.kind == OutputPiece::markup)
            compiler.markup(piece.content);
        else if (piece.kind == OutputPiece::text)
            compiler.text(piece.content);
        else
            compiler.cursor();
    }
    compiler.add_caret_step();
    return std::move(compiler.script);
}

OutputScript compile_output(std::string_view markup) {
    return compile_output(OutputPieces{OutputPiece{OutputPiece::markup, std::string(markup)}});
}

int typed_length(const OutputScript& script, std::size_t from) {
    int count = 0;
    for (std::size_t i = from; i < script.size(); ++i) {
        const OutputStep& step = script[i];
        if (step.kind == OutputStep::type) {
            count += static_cast<int>(step.chars.size());
        } else if (step.kind == OutputStep::key &&
                   (step.vk == vk_enter || step.vk == vk_tab || step.vk == vk_space) &&
                   step.mode == press_and_release) {
            ++count;
        } else {
            return -1;
        }
    }
    return count;
}

std::size_t output_command_at(const char* at) {
    for (const std::string_view keyword : {"RUN: ", "WINDOW: ", "LIST: ", "SEARCH:", "PAUSE:"})
        if (starts_with_nocase(at, keyword)) return keyword.size();
    return 0;
}

namespace {
std::string key_name(uint8_t vk, int mode) {
    const std::string_view wanted = mode == press_only ? "Down" : mode == release_only ? "Up" : "";
    const KeyToken* fallback = nullptr;
    for (const KeyToken* row = key_tokens; !row->name.empty(); ++row) {
        if (row->vk != vk) continue;
        if (!fallback) fallback = row;
        const bool down = row->name.find("Down") != std::string_view::npos;
        const bool up = row->name.find("Up") != std::string_view::npos && !down;
        if (wanted == "Down" ? down : wanted == "Up" ? up : !down && !up)
            return std::string(row->name);
    }
    return fallback ? std::string(fallback->name) : "{?}";
}
} // namespace

std::string script_as_markup(const OutputScript& script) {
    static const char* const buttons[] = {"", "right ", "mid "};
    std::string out;
    char number[48];
    for (const OutputStep& step : script) {
        switch (step.kind) {
        case OutputStep::type:
            for (const TypedChar& c : step.chars) {
                if (c.byte) {
                    out += c.byte;
                } else {
                    std::snprintf(number, sizeof number, "{U+%04X}",
                                  static_cast<unsigned>(c.code_point));
                    out += number;
                }
            }
            break;
        case OutputStep::key:
            out += key_name(step.vk, step.mode);
            break;
        case OutputStep::delay:
            std::snprintf(number, sizeof number, "{Delay %d}", static_cast<int>(step.number));
            out += number;
            break;
        case OutputStep::click:
            std::snprintf(number, sizeof number, "{click %s%s%d,%d}",
                          step.double_click ? "dbl " : "", buttons[step.button],
                          static_cast<int>(step.x), static_cast<int>(step.y));
            out += number;
            break;
        case OutputStep::mouse_return:
            out += "{mouse_return}";
            break;
        case OutputStep::run:
            out += "RUN: " + step.argument;
            break;
        case OutputStep::window:
            out += "WINDOW: " + step.argument;
            break;
        case OutputStep::list:
            out += "LIST: " + step.argument;
            break;
        case OutputStep::search:
            out += "SEARCH:";
            break;
        case OutputStep::pause:
            out += "PAUSE:";
            break;
        case OutputStep::caret:
            std::snprintf(number, sizeof number, "{Cursor back %d}", static_cast<int>(step.number));
            out += number;
            break;
        }
    }
    return out;
}
