// The simulated desktop: keyboard state and a US layout in memory, files on
// the real disk (with simulated locks), and a record of everything the
// program sent or showed.
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/us_layout.h"

#include "common/memory.h"
#include "resources/builtin_texts.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <map>
#include <set>
#include <sys/stat.h>

namespace {
struct SimDesktop {
    std::array<bool, 256> keys{};
    bool caps_lock = false;
    std::vector<SimKeyEvent> key_events;
    std::set<std::string> locked_files;
    std::map<int, std::string> builtin_overrides;
    std::string editor_text;
    std::vector<std::string> status_texts;
};

SimDesktop& desk() {
    static SimDesktop state;
    return state;
}
} // namespace

void sim_reset() {
    desk() = SimDesktop{};
}
void sim_set_key(int vk, bool down) {
    if (vk >= 0 && vk < 256) desk().keys[vk] = down;
}
void sim_set_caps_lock(bool on) {
    desk().caps_lock = on;
}
const std::vector<SimKeyEvent>& sim_key_events() {
    return desk().key_events;
}
void sim_clear_key_events() {
    desk().key_events.clear();
}

std::string sim_key_transcript() {
    std::string out;
    char item[8];
    for (const SimKeyEvent& e : desk().key_events) {
        std::snprintf(item, sizeof item, "%c%02X%s", (e.flags & key_release) ? '-' : '+', e.vk,
                      (e.flags & key_extended) ? "e" : "");
        if (!out.empty()) out += ' ';
        out += item;
    }
    return out;
}

void sim_lock_file(const std::string& path) {
    desk().locked_files.insert(path);
}
void sim_set_builtin_text(int id, const std::string& packed) {
    desk().builtin_overrides[id] = packed;
}
const std::string& sim_editor_text() {
    return desk().editor_text;
}
const std::vector<std::string>& sim_status_texts() {
    return desk().status_texts;
}
std::string sim_status_text() {
    return desk().status_texts.empty() ? std::string() : desk().status_texts.back();
}

// ---- the seam ----

bool key_is_down(int vk) {
    return vk >= 0 && vk < 256 && desk().keys[vk];
}
bool caps_lock_on() {
    return desk().caps_lock;
}
void clear_keyboard_state() {
    desk().caps_lock = false;
}

void send_key_event(uint8_t vk, uint8_t scan_code, uint32_t flags) {
    desk().key_events.push_back(SimKeyEvent{vk, scan_code, flags});
    desk().keys[vk] = (flags & key_release) == 0;
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

FileRead read_whole_file(const char* path, std::size_t max_size, char** text, std::size_t* size) {
    *text = nullptr;
    *size = 0;
    if (!path || !*path) return FileRead::missing;
    if (desk().locked_files.count(path)) return FileRead::unreadable;
    struct stat info;
    if (stat(path, &info) != 0) return errno == ENOENT ? FileRead::missing : FileRead::unreadable;
    if (S_ISDIR(info.st_mode)) return FileRead::unreadable;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return FileRead::unreadable;
    const std::size_t length = static_cast<std::size_t>(info.st_size);
    if (length > max_size) {
        std::fclose(file);
        return FileRead::too_large;
    }
    HeapText buffer = alloc_text(file_buffer_size(length));
    if (!buffer) {
        std::fclose(file);
        return FileRead::too_large;
    }
    const std::size_t got = std::fread(buffer.get(), 1, length, file);
    std::fclose(file);
    buffer.get()[got] = '\0';
    *size = got;
    *text = buffer.release();
    return FileRead::ok;
}

bool append_to_file(const char* path, std::string_view data) {
    if (!path || !*path || desk().locked_files.count(path)) return false;
    std::FILE* file = std::fopen(path, "ab");
    if (!file) return false;
    const bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && ok;
}

bool delete_file(const char* path) {
    if (!path || !*path || desk().locked_files.count(path)) return false;
    return std::remove(path) == 0;
}

std::string_view builtin_text(int id) {
    auto found = desk().builtin_overrides.find(id);
    if (found != desk().builtin_overrides.end()) return found->second;
    return builtin_text_data(id);
}

void set_editor_text(const char* text) {
    desk().editor_text = text ? text : "";
}
void set_status_text(const char* text) {
    desk().status_texts.push_back(text ? text : "");
}
