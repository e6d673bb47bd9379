// The playback interpreter: plays the prepared output text in bursts, one
// burst per playback-timer tick, up to the next command that needs time.
#include "common/text.h"
#include "triggers/encoding.h"
#include "engine/engine.h"
#include "engine/input_watch.h"
#include "engine/key_monitor.h"
#include "triggers/triggers.h"
#include "platform/platform.h"
#include "keys/key_tokens.h"
#include "keys/launch.h"
#include "keys/synthesis.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
constexpr uint32_t command_pause_ms = 10;
constexpr std::size_t max_click_field_chars = 31;
constexpr std::size_t max_list_chars = 479;
constexpr uint32_t paste_check_ms = 5;   // how often a sent paste is looked at
constexpr uint32_t paste_wait_ms = 1000; // a paste nobody takes gives the clipboard back anyway

enum class Step {
    next,         // go on with the character after the cursor
    end_tick,     // the playback timer is armed; the tick ends
    end_playback, // an error: drop the rest of the text
    search,       // the search window opened: the output ends, and polling waits for it
};

// From the cursor to the character after the next "}" (or one past the end).
int32_t after_closing_brace(const char* text, int32_t cursor, int32_t length) {
    while (cursor < length && text[cursor] != '}')
        ++cursor;
    return cursor + 1;
}

// Copies the argument of "RUN: ", "WINDOW: " or "LIST: ": at most `limit`
// characters, up to the next CR, LF or "{" that does not start a "{U+XXXX}"
// character (one is copied whole or not at all).
std::size_t copy_argument(const char* from, std::size_t limit, char* out) {
    std::size_t n = 0;
    while (n < limit && from[n] && from[n] != '\r' && from[n] != '\n') {
        if (from[n] == '{') {
            uint32_t length = 0;
            if (!parse_unicode_token(from + n, &length) || n + length > limit) break;
            std::memcpy(out + n, from + n, length);
            n += length;
            continue;
        }
        out[n] = from[n];
        ++n;
    }
    out[n] = '\0';
    return n;
}

Step play_delay(const char* text, int32_t& cursor, int32_t length) {
    int32_t period = cursor + 7 <= length ? parse_decimal(text + cursor + 7) : 0;
    if (period < 0) period = 0; // no valid timer period: take it as no pause
    cursor = after_closing_brace(text, cursor, length);
    set_timer(playback_timer, static_cast<uint32_t>(period));
    return Step::end_tick;
}

// Reads a field of "{click": from `from` up to the next "," or the end of the text.
const char* read_click_field(const char* from, char* field) {
    std::size_t n = 0;
    while (from[n] && from[n] != ',')
        ++n;
    copy_bounded(field, max_click_field_chars + 1, std::string_view(from, n));
    return from[n] == ',' ? from + n + 1 : nullptr;
}

void click(uint32_t down, uint32_t up) {
    send_mouse_event(down, 0, 0);
    send_mouse_event(up, 0, 0);
}

Step play_click(const char* text, int32_t& cursor, int32_t length) {
    const WindowId window = foreground_window();
    const ScreenRect rect = window ? window_rect(window) : ScreenRect{0, 0, 0, 0};
    cursor += 7;
    char x_field[max_click_field_chars + 1] = "";
    char y_field[max_click_field_chars + 1] = "";
    const char* args = cursor <= length ? text + cursor : "";
    if (const char* after_comma = read_click_field(args, x_field))
        read_click_field(after_comma, y_field);
    show_cursor();
    // Wide arithmetic, clamped: a window edge plus any 32-bit number stays a 32-bit point.
    auto clamped_sum = [](int32_t edge, int32_t offset) {
        const int64_t sum = static_cast<int64_t>(edge) + offset;
        return static_cast<int32_t>(sum > INT32_MAX   ? INT32_MAX
                                    : sum < INT32_MIN ? INT32_MIN
                                                      : sum);
    };
    set_cursor_position(clamped_sum(rect.left, parse_decimal(x_field)),
                        clamped_sum(rect.top, parse_decimal(y_field)));
    if (starts_with_nocase(args, "right"))
        click(mouse_right_down, mouse_right_up);
    else if (starts_with_nocase(args, "mid"))
        click(mouse_middle_down, mouse_middle_up);
    else
        click(mouse_left_down, mouse_left_up);
    if (starts_with_nocase(args, "dbl")) {
        const uint32_t half = double_click_time() / 2;
        sleep_ms(half < 10 ? 10 : half);
        click(mouse_left_down, mouse_left_up);
    }
    cursor = cursor <= length ? after_closing_brace(text, cursor, length) : length + 1;
    set_timer(playback_timer, command_pause_ms);
    return Step::end_tick;
}

Step play_mouse_return(const char* text, int32_t& cursor, int32_t length) {
    const ScreenPoint screen = screen_size();
    const int64_t x = output_state.saved_x, y = output_state.saved_y;
    // Wide arithmetic: large screens overflow 32 bits; a 1-pixel screen would divide by 0.
    const int64_t cx = screen.x > 1 ? screen.x - 1 : 1, cy = screen.y > 1 ? screen.y - 1 : 1;
    send_mouse_event(mouse_move | mouse_absolute, static_cast<int32_t>(x * 65535 / cx),
                     static_cast<int32_t>(y * 65535 / cy));
    set_cursor_position(output_state.saved_x, output_state.saved_y);
    cursor = after_closing_brace(text, cursor, length);
    set_timer(playback_timer, command_pause_ms);
    return Step::end_tick;
}

// Moves the cursor past a command's keyword, copies its argument and leaves
// the cursor on the argument's last character, so that the loop goes on with
// the character that ended it.
void take_argument(const char* text, int32_t& cursor, std::string_view keyword, std::size_t limit,
                   char* out) {
    cursor += static_cast<int32_t>(keyword.size());
    cursor += static_cast<int32_t>(copy_argument(text + cursor, limit, out)) - 1;
}

// A command of the output failed: the message says what, for which trigger
// and which command, under the program's name.
void warn_failed(const char* what, std::string_view keyword, const std::string& argument) {
    const std::string text = std::string(what) + "\n\nTrigger: " + output_state.trigger.data() +
                             "\nCommand: " + std::string(keyword) + argument;
    show_message(text.c_str(), "Quillomat", message_playback_warning);
}

Step play_run(const char* text, int32_t& cursor) {
    char command[max_command_chars + 1];
    take_argument(text, cursor, "RUN: ", max_command_chars, command);
    // The command names a file or program: the characters it stands for.
    const std::string wanted = engine_text_to_utf8(command);
    if (run_command(wanted.c_str())) return Step::next;
    warn_failed("Unable to run program", "RUN: ", wanted);
    return Step::end_playback;
}

Step play_window(const char* text, int32_t& cursor) {
    char title[max_title_chars + 1];
    take_argument(text, cursor, "WINDOW: ", max_title_chars, title);
    const std::string wanted = engine_text_to_utf8(title);
    const WindowId window = find_window_by_title(wanted.c_str());
    if (!window) {
        warn_failed("Window not found", "WINDOW: ", wanted);
        return Step::end_playback;
    }
    activate_window(window);
    ++cursor; // on the character that ended the title, where the next tick starts
    set_timer(playback_timer, command_pause_ms);
    return Step::end_tick;
}

Step play_list(const char* text, int32_t& cursor) {
    char list[max_list_chars + 1];
    take_argument(text, cursor, "LIST: ", max_list_chars, list);
    open_list_window(list);
    return Step::next;
}

Step play_search() {
    output_state.searching = open_search_window();
    return output_state.searching ? Step::search : Step::end_playback;
}

// The run of plain text from `from`: characters and "{U+XXXX}" ones, up to
// the next key token, command or line end. Returns where it ends; `count`
// gets its characters.
int32_t text_run_end(const char* text, int32_t from, int32_t length, int* count) {
    *count = 0;
    int32_t at = from;
    while (at < length && text[at] != '\r' && text[at] != '\n' && !output_command_at(text + at)) {
        uint32_t token = 0;
        if (text[at] == '{' && !parse_unicode_token(text + at, &token)) break;
        at += token ? static_cast<int32_t>(token) : 1;
        ++*count;
    }
    return at;
}

void debug_note(const std::string& line) {
    if (trigger_table.debug_mode) append_debug_log(line);
}

// A long run of plain text goes in through the clipboard in one paste: Ctrl+V,
// or Shift+Insert in the console windows that take no Ctrl+V. Not in
// programs named by "Quillomat_TYPE_IN", nor while another program holds the
// clipboard: then it is typed as ever. True when the paste was sent.
bool paste_run(const char* text, int32_t& cursor, int32_t length) {
    if (trigger_table.paste_at <= 0 || cursor < output_state.typed_until) return false;
    int count = 0;
    const int32_t end = text_run_end(text, cursor, length, &count);
    if (count < trigger_table.paste_at) return false;
    output_state.typed_until = end;
    const FrontProgram front = front_program();
    if (program_matches(trigger_table.type_in, front)) return false;
    std::string not_kept;
    const std::string run = engine_text_to_utf8(std::string_view(text + cursor, end - cursor));
    if (!clipboard_put_for_paste(run.c_str(), &not_kept)) {
        debug_note("the clipboard was busy: the text was typed");
        return false;
    }
    if (!not_kept.empty()) debug_note("clipboard formats not kept: " + not_kept);
    static const char* const consoles[] = {"ConsoleWindowClass", "CASCADIA_HOSTING_WINDOW_CLASS",
                                           "mintty", "PuTTY"};
    bool console = false;
    for (const char* name : consoles)
        console = console || equal_nocase(front.window_class.c_str(), name, std::strlen(name) + 1);
    const uint8_t modifier = console ? 16 : 17, key = console ? 45 : 'V';
    send_key(modifier, false);
    send_key(key, false);
    send_key(key, true);
    send_key(modifier, true);
    output_state.pasting = true;
    output_state.paste_sent_at = tick_count();
    cursor = end; // the next tick goes on after the run, once the paste is taken
    set_timer(playback_timer, paste_check_ms);
    return true;
}

// While a paste is out: true when the tick must wait for it; once the window
// has taken the text, or nobody did in time, the user's clipboard goes back.
bool waiting_for_paste() {
    if (!output_state.pasting) return false;
    const uint32_t waited = tick_count() - output_state.paste_sent_at;
    const bool taken = clipboard_paste_taken();
    if (!taken && waited < paste_wait_ms) {
        set_timer(playback_timer, paste_check_ms);
        return true;
    }
    output_state.pasting = false;
    const bool restored = clipboard_restore();
    debug_note(std::string(taken ? "paste taken" : "paste not taken") + " after " +
               std::to_string(waited) + " ms; the clipboard " +
               (restored ? "was given back" : "was left as it was (copied meanwhile)"));
    return false;
}

Step play_step(const char* text, int32_t& cursor, int32_t length) {
    if (paste_run(text, cursor, length)) return Step::end_tick;
    const char* at = text + cursor;
    if (starts_with_nocase(at, "{Delay")) return play_delay(text, cursor, length);
    if (starts_with_nocase(at, "{click")) return play_click(text, cursor, length);
    if (starts_with_nocase(at, "{mouse_return}")) return play_mouse_return(text, cursor, length);
    if (starts_with_nocase(at, "RUN: ")) return play_run(text, cursor);
    if (starts_with_nocase(at, "WINDOW: ")) return play_window(text, cursor);
    if (starts_with_nocase(at, "LIST: ")) return play_list(text, cursor);
    if (starts_with_nocase(at, "SEARCH:")) return play_search();
    if (starts_with_nocase(at, "PAUSE:")) { // switches expansions off or on, and ends the output
        set_expansions_paused(!key_monitor.paused);
        return Step::end_playback;
    }
    uint32_t unicode_length = 0;
    if (const uint32_t code_point = parse_unicode_token(at, &unicode_length)) {
        type_code_point(code_point);
        cursor += static_cast<int32_t>(unicode_length) - 1;
        return Step::next;
    }
    uint32_t token_length = 0;
    int mode = 0;
    if (const uint8_t vk = parse_key_token(at, &token_length, &mode)) {
        play_key_token(vk, mode);
        cursor += static_cast<int32_t>(token_length) - 1;
        return Step::next;
    }
    type_char(*at);
    return Step::next;
}

void drop_output() {
    output_state.text.reset();
    output_state.cursor = 0;
    output_state.typed_until = 0;
}

void end_playback(bool complete) {
    drop_output();
    if (complete && undo_chance.enabled && undo_chance.typed > 0) {
        undo_chance.open = true;
        undo_chance.window = foreground_window();
    }
    note_own_input(); // events still on their way for the keys just sent are not the user's
    set_timer(polling_timer, polling_period_ms);
}
} // namespace

void playback_tick() {
    kill_timer(playback_timer);
    if (waiting_for_paste()) return;
    const char* text = output_state.text.get();
    const int32_t length = text ? static_cast<int32_t>(std::strlen(text)) : 0;
    int32_t& cursor = output_state.cursor;
    while (cursor < length) {
        if (text[cursor] == '\0') break;
        const Step step = play_step(text, cursor, length);
        if (step == Step::end_tick) return;
        if (step == Step::end_playback) return end_playback(false);
        if (step == Step::search) return drop_output(); // polling resumes when it closes
        ++cursor;
    }
    end_playback(true);
}
