// The player: carries out the steps of a prepared output, in bursts. A tick
// goes on through characters, keys and commands that need no time, and ends
// at a step that does (a pause, a click, a window brought forward, a paste
// on its way), re-arming the playback timer for the rest.
#include "common/text.h"
#include "engine/engine.h"
#include "engine/stages.h"
#include "keys/key_tokens.h"
#include "keys/launch.h"
#include "keys/synthesis.h"
#include "platform/platform.h"
#include "ui/ui.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

namespace {
constexpr uint32_t command_pause_ms = 10; // lets a click or an activated window take effect
constexpr uint8_t vk_caps_lock = 20;
constexpr uint8_t vk_left = 0x25;

enum class After {
    next,     // go on with the next step in this tick
    wait,     // the playback timer is armed; the tick ends
    stop,     // an error: the rest is dropped
    searched, // the search window opened: the output ends, and polling waits for it
};

Player& player = engine.player;

After wait(uint32_t ms) {
    next_output_step_in(ms);
    return After::wait;
}

void debug_note(const std::string& line) {
    if (engine.file.table.debug_mode) append_debug_log(line);
}

void press_button(OutputStep::Button button) {
    static const uint32_t down[] = {mouse_left_down, mouse_right_down, mouse_middle_down};
    static const uint32_t up[] = {mouse_left_up, mouse_right_up, mouse_middle_up};
    send_mouse_event(down[button], 0, 0);
    send_mouse_event(up[button], 0, 0);
}

// Wide arithmetic, clamped: a window edge plus any 32-bit number stays a 32-bit point.
int32_t clamped_sum(int32_t edge, int32_t offset) {
    const int64_t sum = static_cast<int64_t>(edge) + offset;
    return static_cast<int32_t>(sum > INT32_MAX ? INT32_MAX : sum < INT32_MIN ? INT32_MIN : sum);
}

After play_click(const OutputStep& step) {
    const WindowId window = foreground_window();
    const ScreenRect rect = window ? window_rect(window) : ScreenRect{0, 0, 0, 0};
    show_cursor();
    set_cursor_position(clamped_sum(rect.left, step.x), clamped_sum(rect.top, step.y));
    press_button(step.button);
    if (!step.double_click) return wait(command_pause_ms);
    // The second click of a double click, half a double-click time later.
    player.second_click_due = true;
    const uint32_t half = double_click_time() / 2;
    return wait(half < 10 ? 10 : half);
}

After play_mouse_return() {
    const ScreenPoint screen = screen_size();
    const int64_t x = player.saved_mouse.x, y = player.saved_mouse.y;
    // Wide arithmetic: large screens overflow 32 bits; a 1-pixel screen would divide by 0.
    const int64_t cx = screen.x > 1 ? screen.x - 1 : 1, cy = screen.y > 1 ? screen.y - 1 : 1;
    send_mouse_event(mouse_move | mouse_absolute, static_cast<int32_t>(x * 65535 / cx),
                     static_cast<int32_t>(y * 65535 / cy));
    set_cursor_position(player.saved_mouse.x, player.saved_mouse.y);
    return wait(command_pause_ms);
}

// A command of the output failed: the message says what, for which trigger
// and which command, under the program's name.
void warn_failed(const char* what, const char* keyword, const std::string& argument) {
    const std::string text =
        std::string(what) + "\n\nTrigger: " + player.trigger + "\nCommand: " + keyword + argument;
    player.message_up = true; // the keys that close it are no keys during the output
    show_message(text.c_str(), "Quillomat", message_playback_warning);
    player.message_up = false;
}

After play_run(const OutputStep& step) {
    if (run_command(step.argument.c_str())) return After::next;
    warn_failed("Unable to run program", "RUN: ", step.argument);
    return After::stop;
}

After play_window(const OutputStep& step) {
    const WindowId window = find_window_by_title(step.argument.c_str());
    if (!window) {
        warn_failed("Window not found", "WINDOW: ", step.argument);
        return After::stop;
    }
    activate_window(window);
    return wait(command_pause_ms); // the window takes the focus before typing goes on
}

bool works_caps_lock(const OutputScript& script) {
    for (const OutputStep& step : script)
        if (step.kind == OutputStep::key && step.vk == vk_caps_lock) return true;
    return false;
}

// The caret goes back to the output's {Cursor}. Every modifier goes up
// first, the user's and any the output left down: Shift would turn the
// presses into a selection, the Windows key into moves of the window. The
// arrow goes out as the extended key, which remote-desktop clients do not
// take for the keypad's 4.
void place_caret(const OutputStep& step) {
    if (step.number <= 0) {
        debug_note("the caret stays at the end: more than text follows {Cursor}");
        return;
    }
    std::array<bool, 256> left_down{};
    for (const OutputStep& key : player.script)
        if (key.kind == OutputStep::key && key.mode != press_and_release)
            left_down[key.vk] = key.mode == press_only;
    // The sided keys first: a generic release leaves a held right-hand key down.
    for (const uint8_t vk : {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0x5B, 0x5C, 0x10, 0x11, 0x12})
        if (left_down[vk] || key_is_down(vk)) send_key(vk, true);
    for (int32_t i = 0; i < step.number; ++i)
        play_key_token(vk_left, press_and_release);
}

After play_step(const OutputStep& step) {
    switch (step.kind) {
    case OutputStep::type:
        if (paste_run(step)) return After::wait;
        type_chars(step);
        return After::next;
    case OutputStep::key:
        play_key_token(step.vk, step.mode);
        player.held[step.vk] = step.mode == press_only;
        return After::next;
    case OutputStep::delay:
        return wait(static_cast<uint32_t>(step.number));
    case OutputStep::click:
        return play_click(step);
    case OutputStep::mouse_return:
        return play_mouse_return();
    case OutputStep::run:
        return play_run(step);
    case OutputStep::window:
        return play_window(step);
    case OutputStep::list:
        open_list_window(step.argument.c_str());
        return After::next;
    case OutputStep::search:
        player.before_search = foreground_window();
        player.searching = open_search_window();
        return player.searching ? After::searched : After::stop;
    case OutputStep::pause: // switches expansions off or on, and ends the output
        set_expansions_paused(!engine.keys.paused);
        return After::stop;
    case OutputStep::caret:
        place_caret(step);
        return After::next;
    }
    return After::next;
}

void end_playback(bool complete) {
    if (complete) open_undo_chance(player.typed_unknown ? -1 : typed_length(player.script));
    player.script.clear();
    player.next = 0;
    player.active = false;
    player.second_click_due = false;
    player.stop_asked = false;
}

// A stopped output lets go of the keys its "{CtrlDown}" and the like hold,
// or the user's keyboard would stay stuck with them.
void end_stopped_playback() {
    kill_timer(playback_timer);
    for (int vk = 0; vk < 256; ++vk)
        if (player.held[static_cast<std::size_t>(vk)]) send_key(static_cast<uint8_t>(vk), true);
    player.held.reset();
    note_own_input();
    end_playback(false);
}

void play_on() {
    if (waiting_for_paste()) return;
    if (player.stop_asked) return end_stopped_playback();
    if (player.second_click_due) {
        player.second_click_due = false;
        press_button(OutputStep::left);
        wait(command_pause_ms);
        return;
    }
    while (player.next < player.script.size()) {
        const After after = play_step(player.script[player.next++]);
        if (after == After::searched) return end_playback(false); // polling resumes when it closes
        if (player.stop_asked) return end_stopped_playback();
        if (after == After::wait) return;
        if (after == After::stop) return end_playback(false);
    }
    end_playback(true);
}
} // namespace

bool is_console_window(const FrontProgram& front) {
    static const char* const consoles[] = {"ConsoleWindowClass", "CASCADIA_HOSTING_WINDOW_CLASS",
                                           "mintty", "PuTTY"};
    for (const char* name : consoles)
        if (equal_nocase(front.window_class.c_str(), name, std::strlen(name) + 1)) return true;
    return false;
}

// The characters arrive as written whatever the Caps Lock state, unless
// the output works the lock itself ("{CapsLock}").
void type_chars(const OutputStep& step) {
    const bool unicode = engine.file.table.unicode_typing;
    const bool caps_off = !player.works_caps_lock && caps_lock_off_for_typing();
    for (const TypedChar& c : step.chars) {
        if (c.byte)
            type_char(c.byte, unicode || c.literal);
        else
            type_code_point(c.code_point);
    }
    caps_lock_back(caps_off);
}

void start_playback(OutputScript script) {
    player.script = std::move(script);
    player.works_caps_lock = works_caps_lock(player.script);
    player.held.reset();
    player.typed_unknown = false;
    player.next = 0;
    player.active = true;
    next_output_step_in(1);
}

void playback_tick() {
    if (!player.active) return;
    player.in_tick = true;
    play_on();
    player.in_tick = false;
    note_own_input(); // the reports of the keys just sent are not the user's
}

void stop_playback() {
    if (!player.active) return;
    player.stop_asked = true;
    // Inside a tick (a message box of the output) the tick ends it; a paste
    // on its way still decides about the clipboard first.
    if (player.in_tick || player.pasting) return;
    end_stopped_playback();
}
