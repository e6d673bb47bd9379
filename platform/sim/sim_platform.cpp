// The simulated desktop: a virtual clock with timers and scripted keys, a US
// layout, windows, a launcher, files on the real disk (with simulated locks),
// and one log of everything the program did.
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/us_layout.h"

#include "common/memory.h"
#include "common/utf8.h"
#include "platform/posix/posix.h"
#include "platform/sim/sim_internal.h"
#include "resources/builtin_texts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct SimTimer {
    uint32_t due;
    uint32_t period;
    uint64_t order; // arming order breaks ties
};

struct ScheduledKey {
    uint32_t at;
    int vk;
    bool down;
    uint16_t unit = 0; // a Unicode key event's: no key changes
};

struct SimWindow {
    WindowId id;
    std::string title;
    ScreenRect rect;
    bool answers;
    bool minimized;
    std::string exe = "program.exe", window_class = "Window";
    bool elevated = false;
};

struct InputEvent {
    int vk;
    bool down;
    uint32_t at;
    uint16_t unit = 0;
};

struct LogLine {
    uint32_t at;
    std::string kind;
    std::string text;
};

struct SimDesktop {
    uint32_t now = 0;
    std::map<int, SimTimer> timers;
    uint64_t arm_count = 0;
    int last_armed = 0;
    uint32_t last_period = 0;
    std::vector<ScheduledKey> scheduled; // kept in time order
    std::array<bool, 256> keys{};
    // Input events: whether the platform can report them, whether it then
    // really does, whether the program asked for them, and those not yet
    // handed over (they travel like window messages).
    bool events_available = true, events_delivered = true, events_on = false;
    std::vector<InputEvent> pending_events;
    uint32_t last_input = 0;
    // A key-state cache like Wine's: a key last seen up reads up until the
    // cache is `key_cache_ms` old.
    uint32_t key_cache_ms = 0;
    std::array<bool, 256> cached_keys{};
    uint32_t cache_refreshed = 0;
    std::map<int, int> fires;
    bool caps_lock = false;
    ScreenPoint cursor{512, 384};
    ScreenPoint screen{1024, 768};
    uint32_t double_click = 500;
    std::vector<SimKeyEvent> key_events;
    std::vector<SimWindow> windows; // z-order, top first
    WindowId foreground = 0;
    WindowId next_id = 0x100;
    std::map<std::string, std::string> env;
    LocalTime time{2026, 12, 7, 9, 5, 0};
    std::set<std::string> allowed_programs;
    std::string directory = "C:\\";
    std::set<std::string> locked_files;
    std::vector<std::pair<std::string, WriteProblem>> denied_writes; // paths and folders
    bool no_file_buffers = false;
    bool no_file_writes = false;
    long key_reads = 0;
    // The clipboard: what is on it, whether the program put it there, what it saved.
    std::string clipboard, saved_clipboard, copy_when_pasted;
    bool clipboard_ours = false, clipboard_busy = false, paste_taken = false;
    bool holds_text = false, saved_holds_text = false; // false: a picture, or nothing
    uint32_t sequence = 1;                             // moves on with every change
    // What is selected in the window in front, and when a copy it was asked
    // for lands on the clipboard; what clipboard_save kept.
    std::string selection, kept_clipboard;
    uint32_t copy_delay = 0, copy_due = 0;
    bool copy_pending = false, kept_holds_text = false;
    // When the window in front takes a paste: this long after the paste key
    // (sim_paste_never: it ignores the key), and when a late one falls due.
    uint32_t paste_delay = 0;
    bool paste_pending = false;
    uint32_t paste_due = 0;
    std::map<int, std::string> builtin_overrides;
    std::string user_data_folder;
    std::vector<LogLine> log;
};

SimDesktop& desk() {
    static SimDesktop state;
    return state;
}

} // namespace

void sim_log_event(const std::string& kind, const std::string& text) {
    std::vector<LogLine>& log = desk().log;
    if (kind == "keys" && !log.empty() && log.back().kind == "keys" &&
        log.back().at == desk().now) {
        log.back().text += " " + text;
        return;
    }
    log.push_back(LogLine{desk().now, kind, text});
}

namespace {
void log_event(const std::string& kind, const std::string& text) {
    sim_log_event(kind, text);
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

SimWindow* window_of(WindowId id) {
    for (SimWindow& w : desk().windows)
        if (w.id == id) return &w;
    return nullptr;
}

// An input event on its way to the program, as raw input reports it.
void report_input(int vk, bool down, uint32_t at, uint16_t unit = 0) {
    desk().last_input = at;
    if (desk().events_on && desk().events_delivered)
        desk().pending_events.push_back(InputEvent{vk, down, at, unit});
}

// Hands over the events that have happened by now, in order.
void deliver_events() {
    while (!desk().pending_events.empty() && desk().pending_events.front().at <= desk().now) {
        const InputEvent event = desk().pending_events.front();
        desk().pending_events.erase(desk().pending_events.begin());
        engine_input_event(event.vk, event.down, event.at, event.unit);
    }
}

// A key goes down or up on the desktop: a press of Caps Lock toggles it.
void set_key_state(int vk, bool down) {
    if (vk == 0x14 && down && !desk().keys[vk]) desk().caps_lock = !desk().caps_lock;
    desk().keys[vk] = down;
}

// Applies scheduled key changes up to `until`.
void apply_keys(uint32_t until) {
    auto& scheduled = desk().scheduled;
    while (!scheduled.empty() && scheduled.front().at <= until) {
        const ScheduledKey change = scheduled.front();
        if (!change.unit) set_key_state(change.vk, change.down);
        report_input(change.vk, change.down, change.at, change.unit);
        scheduled.erase(scheduled.begin());
    }
}

// The window in front reads the clipboard, whatever it holds by now.
void window_takes_paste() {
    SimDesktop& d = desk();
    d.paste_pending = false;
    log_event("pasted", d.clipboard);
    if (!d.clipboard_ours) return;
    d.paste_taken = true;
    if (!d.copy_when_pasted.empty()) {
        d.clipboard = d.copy_when_pasted;
        d.clipboard_ours = false;
        d.copy_when_pasted.clear();
        ++d.sequence;
    }
}

std::string key_text(const SimKeyEvent& e) {
    char item[8];
    std::snprintf(item, sizeof item, "%c%02X%s", (e.flags & key_release) ? '-' : '+', e.vk,
                  (e.flags & key_extended) ? "e" : "");
    return item;
}
} // namespace

// ---- test controls ----

void sim_reset_desktop() {
    desk() = SimDesktop{};
}
uint32_t sim_now() {
    return desk().now;
}

namespace {
// The timer that falls due first (the earliest armed on a tie), or none.
std::map<int, SimTimer>::iterator next_timer() {
    auto next = desk().timers.end();
    for (auto it = desk().timers.begin(); it != desk().timers.end(); ++it) {
        if (next == desk().timers.end() || it->second.due < next->second.due ||
            (it->second.due == next->second.due && it->second.order < next->second.order))
            next = it;
    }
    return next;
}

void fire(std::map<int, SimTimer>::iterator timer) {
    const int id = timer->first;
    apply_keys(timer->second.due);
    desk().now = timer->second.due;
    timer->second.due += timer->second.period; // timers repeat until killed
    ++desk().fires[id];
    engine_on_timer(id);
}
} // namespace

void sim_run_for(uint32_t ms) {
    const uint32_t end = desk().now + ms;
    for (;;) {
        deliver_events();
        const auto next = next_timer();
        const bool timer = next != desk().timers.end() && next->second.due <= end;
        const auto& scheduled = desk().scheduled;
        const bool key = !scheduled.empty() && scheduled.front().at <= end &&
                         (!timer || scheduled.front().at <= next->second.due);
        if (key) {
            // A key change is an event of its own: its report arrives before a later timer.
            desk().now = std::max(desk().now, scheduled.front().at);
            apply_keys(desk().now);
            continue;
        }
        if (desk().paste_pending && desk().paste_due <= end &&
            (!timer || desk().paste_due <= next->second.due)) {
            desk().now = std::max(desk().now, desk().paste_due);
            window_takes_paste();
            continue;
        }
        if (!timer) break;
        fire(next);
    }
    apply_keys(end);
    desk().now = end;
    deliver_events();
}

bool sim_fire_next_timer() {
    const auto next = next_timer();
    if (next == desk().timers.end()) return false;
    fire(next);
    return true;
}

void sim_run_until_idle(uint32_t limit_ms) {
    const uint32_t end = desk().now + limit_ms;
    while (desk().now < end) {
        sim_run_for(1);
        // Polling and the watch run for as long as the program does.
        bool busy = !desk().scheduled.empty() || desk().paste_pending;
        for (const auto& timer : desk().timers)
            busy = busy || (timer.first != polling_timer && timer.first != watch_timer);
        if (!busy) return;
    }
}

bool sim_timer_armed(int id) {
    return desk().timers.count(id) != 0;
}

void sim_set_key(int vk, bool down) {
    if (vk >= 0 && vk < 256) desk().keys[vk] = down;
}

void sim_press_at(uint32_t at_ms, int vk, uint32_t hold_ms) {
    auto& scheduled = desk().scheduled;
    scheduled.push_back(ScheduledKey{at_ms, vk, true});
    scheduled.push_back(ScheduledKey{at_ms + hold_ms, vk, false});
    std::stable_sort(scheduled.begin(), scheduled.end(),
                     [](const ScheduledKey& a, const ScheduledKey& b) { return a.at < b.at; });
}

void sim_unicode_at(uint32_t at_ms, uint16_t unit) {
    auto& scheduled = desk().scheduled;
    scheduled.push_back(ScheduledKey{at_ms, vk_packet, true, unit});
    scheduled.push_back(ScheduledKey{at_ms, vk_packet, false, unit});
    std::stable_sort(scheduled.begin(), scheduled.end(),
                     [](const ScheduledKey& a, const ScheduledKey& b) { return a.at < b.at; });
}

void sim_key_at(uint32_t at_ms, int vk, bool down) {
    auto& scheduled = desk().scheduled;
    scheduled.push_back(ScheduledKey{at_ms, vk, down});
    std::stable_sort(scheduled.begin(), scheduled.end(),
                     [](const ScheduledKey& a, const ScheduledKey& b) { return a.at < b.at; });
}

void sim_type(const std::string& keys, uint32_t hold_ms, uint32_t gap_ms) {
    uint32_t at = desk().now;
    for (char c : keys) {
        const int vk = std::toupper(static_cast<unsigned char>(c));
        sim_press_at(at, vk, hold_ms);
        at += hold_ms + gap_ms;
    }
}

void sim_set_caps_lock(bool on) {
    desk().caps_lock = on;
}
void sim_move_mouse(int32_t x, int32_t y) {
    desk().cursor = ScreenPoint{x, y};
}
void sim_set_screen(int32_t width, int32_t height) {
    desk().screen = ScreenPoint{width, height};
}
void sim_set_double_click_time(uint32_t ms) {
    desk().double_click = ms;
}
const std::vector<SimKeyEvent>& sim_key_events() {
    return desk().key_events;
}
void sim_clear_key_events() {
    desk().key_events.clear();
}

std::string sim_key_transcript() {
    std::string out;
    for (const SimKeyEvent& e : desk().key_events) {
        if (!out.empty()) out += ' ';
        out += key_text(e);
    }
    return out;
}

WindowId sim_add_window(const std::string& title, ScreenRect rect, bool answers, bool minimized) {
    const WindowId id = desk().next_id++;
    desk().windows.push_back(SimWindow{id, title, rect, answers, minimized});
    if (!desk().foreground) desk().foreground = id;
    return id;
}

void sim_set_window_program(WindowId window, const std::string& exe,
                            const std::string& window_class, bool elevated) {
    for (SimWindow& w : desk().windows)
        if (w.id == window) w.exe = exe, w.window_class = window_class, w.elevated = elevated;
}

void sim_close_window(WindowId window) {
    auto& windows = desk().windows;
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [&](const SimWindow& w) { return w.id == window; }),
                  windows.end());
    if (desk().foreground == window) desk().foreground = 0;
}

void sim_set_foreground(WindowId window) {
    auto& windows = desk().windows;
    auto it = std::find_if(windows.begin(), windows.end(),
                           [&](const SimWindow& w) { return w.id == window; });
    if (it == windows.end()) return;
    std::rotate(windows.begin(), it, it + 1); // the foreground window is on top
    desk().foreground = window;
}

WindowId sim_front_program(const std::string& exe) {
    const auto& windows = desk().windows;
    auto found = std::find_if(windows.begin(), windows.end(),
                              [&](const SimWindow& w) { return w.title == exe; });
    if (found == windows.end())
        found = std::find_if(windows.begin(), windows.end(),
                             [&](const SimWindow& w) { return lower(w.exe) == lower(exe); });
    const bool opened = found == windows.end();
    const WindowId window = opened ? sim_add_window(exe) : found->id;
    if (opened) sim_set_window_program(window, exe, "Window");
    sim_set_foreground(window);
    return window;
}

void sim_set_env(const std::string& name, const std::string& value) {
    desk().env[lower(name)] = value;
}
void sim_set_local_time(const LocalTime& time) {
    desk().time = time;
}
void sim_allow_program(const std::string& program) {
    desk().allowed_programs.insert(lower(program));
}
std::string sim_current_directory() {
    return desk().directory;
}
void sim_lock_file(const std::string& path) {
    desk().locked_files.insert(path);
}
void sim_set_input_events(bool available, bool delivered) {
    desk().events_available = available;
    desk().events_delivered = delivered;
}
void sim_set_key_state_cache(uint32_t ms) {
    desk().key_cache_ms = ms;
}
int sim_timer_fires(int id) {
    return desk().fires[id];
}

long sim_key_reads() {
    return desk().key_reads;
}

void sim_fail_file_writes(bool fail) {
    desk().no_file_writes = fail;
}
void sim_unlock_file(const std::string& path) {
    desk().locked_files.erase(path);
}
void sim_deny_writes(const std::string& path, WriteProblem why) {
    desk().denied_writes.emplace_back(path, why);
}

void sim_fail_file_buffers(bool fail) {
    desk().no_file_buffers = fail;
}
void sim_set_builtin_text(int id, const std::string& packed) {
    desk().builtin_overrides[id] = packed;
}
void sim_set_user_data_folder(const std::string& path) {
    desk().user_data_folder = path.empty() || path.back() == '/' ? path : path + "/";
}

std::string sim_log(const std::vector<std::string>& kinds) {
    std::string out;
    for (const LogLine& line : desk().log) {
        if (!kinds.empty() && std::find(kinds.begin(), kinds.end(), line.kind) == kinds.end())
            continue;
        out += std::to_string(line.at) + " " + line.kind +
               (line.text.empty() ? "" : " " + line.text) + "\n";
    }
    return out;
}

void sim_clear_log() {
    desk().log.clear();
}

// ---- the seam: keyboard ----

bool key_is_down(int vk) {
    if (vk < 0 || vk > 255) return false;
    SimDesktop& d = desk();
    ++d.key_reads;
    if (d.key_cache_ms == 0) return d.keys[vk];
    if (!d.cached_keys[vk] && d.now - d.cache_refreshed < d.key_cache_ms) return false;
    d.cached_keys = d.keys;
    d.cache_refreshed = d.now;
    return d.keys[vk];
}

bool start_input_events() {
    desk().events_on = desk().events_available;
    return desk().events_on;
}
uint32_t last_input_time() {
    return desk().last_input;
}
bool caps_lock_on() {
    return desk().caps_lock;
}
void clear_keyboard_state() {}

void send_key_event(uint8_t vk, uint8_t scan_code, uint32_t flags) {
    report_input(vk, (flags & key_release) == 0, desk().now);
    const SimKeyEvent event{vk, scan_code, flags};
    desk().key_events.push_back(event);
    set_key_state(vk, (flags & key_release) == 0);
    log_event("keys", key_text(event));
    // The window in front pastes on Ctrl+V and Shift+Insert: at once, later, or never.
    SimDesktop& d = desk();
    const bool paste =
        (flags & key_release) == 0 && ((vk == 'V' && d.keys[17]) || (vk == 45 && d.keys[16]));
    // Ctrl+C and Ctrl+Insert copy what is selected; with nothing selected, nothing happens.
    const bool copy = (flags & key_release) == 0 && d.keys[17] && (vk == 'C' || vk == 45);
    if (copy && !d.selection.empty()) {
        d.copy_pending = true;
        d.copy_due = d.now + d.copy_delay;
    }
    if (!paste || d.paste_delay == sim_paste_never) return;
    if (d.paste_delay == 0) return window_takes_paste();
    d.paste_pending = true;
    d.paste_due = d.now + d.paste_delay;
}

unsigned key_scan_code(int vk) {
    return us_scan_code(vk);
}
unsigned key_char(int vk) {
    return us_key_char(vk);
}
int16_t char_key(char c) {
    return us_char_key(c);
}

void send_unicode_unit(uint16_t unit, bool release) {
    char item[16];
    std::snprintf(item, sizeof item, "%cU%04X", release ? '-' : '+', unit);
    log_event("keys", item);
    report_input(vk_packet, !release, desk().now, unit); // raw input reports it, as any key
}

// ---- timers and time ----

void set_timer(TimerId id, uint32_t period_ms) {
    const uint32_t period = period_ms == 0 ? 10 : period_ms; // the platform's minimum period
    desk().timers[id] = SimTimer{desk().now + period, period, desk().arm_count++};
    // A timer that re-arms itself (polling every 10 ms, a wait that looks
    // again) shows once: the log says when it starts, or starts again after
    // something else.
    if (id != desk().last_armed || period_ms != desk().last_period)
        log_event("timer", std::to_string(id) + " " + std::to_string(period_ms));
    desk().last_armed = id;
    desk().last_period = period_ms;
}

void kill_timer(TimerId id) {
    desk().timers.erase(id);
}
uint32_t tick_count() {
    return desk().now;
}

LocalTime local_time() {
    return desk().time;
}

std::size_t expand_environment(const char* text, char* out, std::size_t capacity) {
    std::string result;
    for (const char* p = text; *p;) {
        const char* close = *p == '%' ? std::strchr(p + 1, '%') : nullptr;
        if (close) {
            auto found = desk().env.find(lower(std::string(p + 1, close)));
            if (found != desk().env.end()) {
                result += found->second;
                p = close + 1;
                continue;
            }
            result.append(p, close); // an undefined name stays; its closing % may open the next
            p = close;
            continue;
        }
        result += *p++;
    }
    if (result.size() + 1 <= capacity) std::memcpy(out, result.c_str(), result.size() + 1);
    return result.size() + 1;
}

// ---- mouse ----

ScreenPoint cursor_position() {
    return desk().cursor;
}

void set_cursor_position(int32_t x, int32_t y) {
    desk().cursor = ScreenPoint{x, y};
    log_event("cursor", std::to_string(x) + "," + std::to_string(y));
}

void show_cursor() {}

void send_mouse_event(uint32_t flags, int32_t dx, int32_t dy) {
    static const std::array<std::pair<uint32_t, std::pair<int, bool>>, 6> buttons = {{
        {mouse_left_down, {1, true}},
        {mouse_left_up, {1, false}},
        {mouse_right_down, {2, true}},
        {mouse_right_up, {2, false}},
        {mouse_middle_down, {4, true}},
        {mouse_middle_up, {4, false}},
    }};
    for (const auto& button : buttons)
        if (flags & button.first)
            report_input(button.second.first, button.second.second, desk().now);
    if (flags == (flags & (mouse_move | mouse_absolute))) report_input(0, false, desk().now);
    static const std::pair<uint32_t, const char*> names[] = {
        {mouse_left_down, "+left"}, {mouse_left_up, "-left"},    {mouse_right_down, "+right"},
        {mouse_right_up, "-right"}, {mouse_middle_down, "+mid"}, {mouse_middle_up, "-mid"},
    };
    std::string text;
    for (const auto& name : names)
        if (flags & name.first) text += name.second;
    if (flags & mouse_move)
        text += "move " + std::to_string(dx) + "," + std::to_string(dy) +
                ((flags & mouse_absolute) ? " absolute" : "");
    log_event("mouse", text);
}

uint32_t double_click_time() {
    return desk().double_click;
}
ScreenPoint screen_size() {
    return desk().screen;
}

// ---- windows ----

WindowId foreground_window() {
    return desk().foreground;
}

FrontProgram front_program() {
    const SimWindow* w = window_of(desk().foreground);
    return w ? FrontProgram{w->id, w->exe, w->title, w->window_class, w->elevated} : FrontProgram{};
}

void sim_set_clipboard(const std::string& text, bool busy) {
    desk().clipboard = text;
    desk().clipboard_ours = false;
    desk().clipboard_busy = busy;
    desk().holds_text = true;
    ++desk().sequence;
}

void sim_set_clipboard_picture() {
    sim_set_clipboard("");
    desk().holds_text = false;
}

void sim_set_selection(const std::string& text, uint32_t copy_delay_ms) {
    desk().selection = text;
    desk().copy_delay = copy_delay_ms;
}

namespace {
// A copy the window was asked for lands once its time has come.
void land_copy() {
    SimDesktop& d = desk();
    if (!d.copy_pending || d.now < d.copy_due) return;
    d.copy_pending = false;
    d.clipboard = d.selection;
    d.holds_text = true;
    d.clipboard_ours = false;
    ++d.sequence;
}
} // namespace

const std::string& sim_clipboard() {
    land_copy();
    return desk().clipboard;
}

uint32_t clipboard_sequence() {
    land_copy();
    return desk().sequence;
}

ClipboardText clipboard_text(std::string* utf8) {
    land_copy();
    const SimDesktop& d = desk();
    utf8->clear();
    if (d.clipboard_busy) return ClipboardText::busy;
    if (!d.holds_text) return ClipboardText::none;
    *utf8 = d.clipboard;
    return ClipboardText::text;
}

bool clipboard_save(std::string* not_kept) {
    if (not_kept) not_kept->clear();
    SimDesktop& d = desk();
    if (d.clipboard_busy) {
        log_event("clipboard", "busy");
        return false;
    }
    d.kept_clipboard = d.clipboard;
    d.kept_holds_text = d.holds_text;
    return true;
}

bool clipboard_give_back(uint32_t sequence) {
    SimDesktop& d = desk();
    land_copy();
    if (d.sequence != sequence) {
        log_event("clipboard", "left alone");
        return false;
    }
    d.clipboard = d.kept_clipboard;
    d.holds_text = d.kept_holds_text;
    d.clipboard_ours = false;
    ++d.sequence;
    log_event("clipboard", "given back");
    return true;
}

void sim_copy_when_pasted(const std::string& text) {
    desk().copy_when_pasted = text;
}

void sim_set_paste_delay(uint32_t ms) {
    desk().paste_delay = ms;
}

bool clipboard_put_for_paste(const char* text, std::string* not_kept) {
    if (not_kept) not_kept->clear();
    SimDesktop& d = desk();
    if (d.clipboard_busy) {
        log_event("clipboard", "busy");
        return false;
    }
    d.saved_clipboard = d.clipboard;
    d.saved_holds_text = d.holds_text;
    d.clipboard = text;
    d.holds_text = true;
    d.clipboard_ours = true;
    d.paste_taken = false;
    ++d.sequence;
    log_event("clipboard", std::string("put ") + text);
    return true;
}

bool clipboard_paste_taken() {
    return desk().paste_taken;
}

bool clipboard_restore() {
    SimDesktop& d = desk();
    if (!d.clipboard_ours) {
        log_event("clipboard", "left alone");
        return false;
    }
    d.clipboard = d.saved_clipboard;
    d.holds_text = d.saved_holds_text;
    d.clipboard_ours = false;
    ++d.sequence;
    log_event("clipboard", "restored");
    return true;
}

bool clipboard_withdraw_paste() {
    SimDesktop& d = desk();
    if (d.paste_taken) return false;
    if (d.clipboard_ours) {
        d.clipboard.clear();
        d.clipboard_ours = false;
        log_event("clipboard", "emptied");
    }
    return true;
}

ScreenRect window_rect(WindowId window) {
    const SimWindow* w = window_of(window);
    return w ? w->rect : ScreenRect{0, 0, 0, 0};
}

WindowId find_top_window(const char* title) {
    for (const SimWindow& w : desk().windows)
        if (lower(w.title) == lower(title)) return w.id;
    return 0;
}

WindowId next_window(WindowId window) {
    auto& windows = desk().windows;
    for (std::size_t i = 0; i + 1 < windows.size(); ++i)
        if (windows[i].id == window) return windows[i + 1].id;
    return 0;
}

bool window_title(WindowId window, char* out, std::size_t capacity, uint32_t timeout_ms) {
    const SimWindow* w = window_of(window);
    if (!w) return false;
    if (!w->answers) {
        desk().now += timeout_ms; // the caller waited for it in vain
        return false;
    }
    std::snprintf(out, capacity, "%s", w->title.c_str());
    return true;
}

bool is_window(WindowId window) {
    return window_of(window) != nullptr;
}
bool is_minimized(WindowId window) {
    const SimWindow* w = window_of(window);
    return w && w->minimized;
}

void bring_window_forward(WindowId window, bool restore) {
    SimWindow* w = window_of(window);
    if (!w) return;
    w->minimized = false;
    log_event("activate", w->title + (restore ? " restore" : " show"));
    sim_set_foreground(window);
}

// ---- programs and messages ----

bool shell_launch(const char* program, const char* arguments) {
    const bool starts =
        desk().allowed_programs.count("*") || desk().allowed_programs.count(lower(program));
    log_event("launch", std::string(starts ? "" : "failed ") + program + " |" + arguments + "|");
    return starts;
}

void set_current_directory(const char* path) {
    // Only folders that look like absolute paths exist on the simulated disk.
    if (std::strlen(path) >= 2 && path[1] == ':') {
        desk().directory = path;
        log_event("directory", path);
    }
}

void show_message(const char* text, const char* caption, uint32_t style) {
    char flags[16];
    std::snprintf(flags, sizeof flags, "%X", style);
    std::string one_line(text); // a line per event: line breaks show as "~"
    for (char& c : one_line)
        if (c == '\n') c = '~';
    log_event("message", one_line + " |" + caption + "| " + flags);
}

// ---- files ----

FileRead read_whole_file(const char* path, std::size_t max_size, char** text, std::size_t* size) {
    *text = nullptr;
    *size = 0;
    if (path && desk().locked_files.count(path)) return FileRead::unreadable;
    return posix_read_file(path, max_size, !desk().no_file_buffers, text, size);
}

namespace {
// What stands in the way of writing `path`: a lock, or a denial of the
// paths that start as it does.
WriteProblem write_problem(const std::string& path) {
    if (desk().locked_files.count(path)) return WriteProblem::in_use;
    for (const auto& [denied, why] : desk().denied_writes)
        if (path.compare(0, denied.size(), denied) == 0) return why;
    return WriteProblem::none;
}

// Writes `data` to the file opened with `mode` ("ab" at its end, "wb" afresh).
bool write_to_file(const char* path, std::string_view data, const char* mode) {
    if (!path || !*path || write_problem(path) != WriteProblem::none) return false;
    std::FILE* file = std::fopen(path, mode);
    if (!file) return false;
    const bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && ok;
}

// The file a path names in the end: a link's target (missing or not), else the path.
std::string written_path(const char* path) {
    const LinkTarget link = link_target(path);
    return link.link && !link.target.empty() ? link.target : std::string(path);
}
} // namespace

bool append_to_file(const char* path, std::string_view data) {
    return write_to_file(path, data, "ab");
}

bool replace_file(const char* path, std::string_view data, std::string* kept_at,
                  WriteProblem* why) {
    if (kept_at) kept_at->clear();
    if (why) *why = WriteProblem::none;
    if (!path || !*path) return false;
    const std::string target = written_path(path);
    WriteProblem problem = write_problem(path);
    if (problem == WriteProblem::none) problem = write_problem(target);
    if (problem == WriteProblem::none && desk().no_file_writes) problem = WriteProblem::other;
    // Beside the file first, then in its place in one step.
    const std::string fresh = target + ".sim-new";
    if (problem == WriteProblem::none && !write_to_file(fresh.c_str(), data, "wb"))
        problem = WriteProblem::denied;
    if (problem == WriteProblem::none && std::rename(fresh.c_str(), target.c_str()) != 0) {
        std::remove(fresh.c_str());
        problem = WriteProblem::other;
    }
    if (why) *why = problem;
    return problem == WriteProblem::none;
}

FileStat file_stat(const char* path) {
    struct stat info;
    if (!path || stat(path, &info) != 0) return FileStat{};
    const uint64_t nanoseconds = static_cast<uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                                 static_cast<uint64_t>(info.st_mtim.tv_nsec);
    return FileStat{true, nanoseconds, static_cast<uint64_t>(info.st_size)};
}

bool delete_file(const char* path) {
    if (!path || !*path || desk().locked_files.count(path)) return false;
    return std::remove(path) == 0;
}

std::string user_data_folder(const char* subfolder) {
    const std::string& base = desk().user_data_folder;
    if (base.empty() || !subfolder || !*subfolder) return base;
    const std::string folder = base + subfolder;
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return {};
    return folder + "/";
}

std::vector<std::string> files_in_folder(const char* folder) {
    std::vector<std::string> names;
    DIR* dir = folder ? opendir(folder) : nullptr;
    if (!dir) return names;
    const std::string base = folder;
    while (const dirent* entry = readdir(dir)) {
        struct stat info;
        const std::string path = base + (base.back() == '/' ? "" : "/") + entry->d_name;
        if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) names.push_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

LinkTarget link_target(const char* path) {
    LinkTarget link;
    struct stat info;
    if (!path || lstat(path, &info) != 0 || !S_ISLNK(info.st_mode)) return link;
    link.link = true;
    char resolved[PATH_MAX];
    if (realpath(path, resolved)) {
        link.target = resolved;
        return link;
    }
    link.dangling = true;
    std::string target(PATH_MAX, '\0');
    const ssize_t length = readlink(path, &target[0], target.size() - 1);
    if (length <= 0) return link;
    target.resize(static_cast<std::size_t>(length));
    const std::string from(path);
    if (target[0] != '/') target = from.substr(0, from.find_last_of('/') + 1) + target;
    link.target = target;
    return link;
}

std::string_view builtin_text(int id) {
    auto found = desk().builtin_overrides.find(id);
    if (found != desk().builtin_overrides.end()) return found->second;
    return builtin_text_data(id);
}
