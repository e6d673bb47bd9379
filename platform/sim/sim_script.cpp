// Input scripts for the simulated desktop: a test says what the user does
// in one short line, and the clock runs through it.
#include "common/unicode.h"
#include "platform/sim/sim.h"
#include "platform/sim/us_layout.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <stdexcept>

namespace {
int key_code(const std::string& name) {
    static const std::map<std::string, int> names = {
        {"click", 1},  {"rclick", 2}, {"mid", 4},    {"bs", 8},       {"tab", 9},
        {"enter", 13}, {"shift", 16}, {"ctrl", 17},  {"alt", 18},     {"esc", 27},
        {"space", 32}, {"pgup", 33},  {"pgdn", 34},  {"end", 35},     {"home", 36},
        {"left", 37},  {"up", 38},    {"right", 39}, {"down", 40},    {"del", 46},
        {"f1", 112},   {"f5", 116},   {"f9", 120},   {"lshift", 160}, {"backquote", 192},
    };
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return std::toupper(static_cast<unsigned char>(name[0]));
    if (name.size() > 1 && name[0] == '#')
        return static_cast<int>(std::strtol(name.c_str() + 1, nullptr, 16));
    const auto found = names.find(name);
    if (found == names.end()) throw std::invalid_argument("no such key in a script: " + name);
    return found->second;
}

// "_" a space, "~" a new line: a script's words hold no blanks.
std::string unescaped(std::string text) {
    for (char& c : text)
        c = c == '_' ? ' ' : c == '~' ? '\n' : c;
    return text;
}

WindowId window_titled(const std::string& title) {
    const WindowId window = find_top_window(unescaped(title).c_str());
    if (!window) throw std::invalid_argument("no window titled " + title);
    return window;
}

// What the user does with the form and the other windows.
void desktop_word(const std::string& verb, const std::string& value) {
    if (verb == "fill") {
        const std::size_t equals = value.find('=');
        if (equals == std::string::npos) throw std::invalid_argument("fill: needs LABEL=VALUE");
        sim_fill_form(unescaped(value.substr(0, equals)), unescaped(value.substr(equals + 1)));
    } else if (verb == "form") {
        if (value != "ok" && value != "cancel")
            throw std::invalid_argument("form:ok or form:cancel");
        sim_answer_form(value == "ok");
    } else if (verb == "front") {
        sim_front_program(unescaped(value));
    } else {
        sim_close_window(window_titled(value));
    }
}
} // namespace

void sim_script(const std::string& script) {
    // Every key change is scheduled at its time before the clock runs, so
    // that a poll due at the very moment of a press sees it, as it would.
    std::istringstream words(script);
    std::string word;
    uint32_t at = sim_now();
    while (words >> word) {
        const std::size_t colon = word.find(':');
        if (colon == std::string::npos)
            throw std::invalid_argument("a script word needs a ':': " + word);
        const std::string verb = word.substr(0, colon), value = word.substr(colon + 1);
        if (verb == "t") {
            at += static_cast<uint32_t>(std::stoul(value));
        } else if (verb == "d" || verb == "u") {
            sim_key_at(at, key_code(value), verb == "d");
        } else if (verb == "type") { // each character held 40 ms, 40 ms apart
            for (const char c : value) {
                const int vk = c == '_' ? 32 : key_code(std::string(1, c));
                sim_key_at(at, vk, true);
                sim_key_at(at + 40, vk, false);
                at += 80;
            }
        } else if (verb == "text") { // as type:, any character of the layout, Shift as it needs
            for (const char c : value) {
                const int16_t key = us_char_key(c == '_' ? ' ' : c);
                if (key < 0 || (key >> 8) > 1)
                    throw std::invalid_argument("no key types this in a script: " + word);
                const bool shift = (key >> 8) == 1;
                if (shift) sim_key_at(at, 16, true);
                sim_key_at(at + 10, key & 0xFF, true);
                sim_key_at(at + 50, key & 0xFF, false);
                if (shift) sim_key_at(at + 60, 16, false);
                at += 80;
            }
        } else if (verb == "unicode") {
            for (char32_t c : utf8_to_code_points(value)) {
                if (c == '_') c = ' ';
                if (c > 0xFFFF) {
                    sim_unicode_at(at, static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10)));
                    sim_unicode_at(at, static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
                } else {
                    sim_unicode_at(at, static_cast<uint16_t>(c));
                }
                at += 80;
            }
        } else if (verb == "caps") { // these change at their time
            sim_run_for(at - sim_now());
            sim_set_caps_lock(value == "on");
        } else if (verb == "mouse") {
            sim_run_for(at - sim_now());
            const std::size_t comma = value.find(',');
            if (comma == std::string::npos) throw std::invalid_argument("mouse:X,Y, not " + word);
            sim_move_mouse(std::stoi(value.substr(0, comma)), std::stoi(value.substr(comma + 1)));
        } else if (verb == "fill" || verb == "form" || verb == "front" || verb == "close") {
            sim_run_for(at - sim_now()); // at its time
            desktop_word(verb, value);
        } else {
            throw std::invalid_argument("no such verb in a script: " + word);
        }
    }
    sim_run_for(at - sim_now());
    sim_run_until_idle();
}
