#include "engine/recovery.h"

#include "common/memory.h"
#include "common/text.h"
#include "engine/engine.h"
#include "platform/platform.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace {
constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
// The first line of a copy says what it is, for the user who finds it and
// for the next start: the trigger file, when, why, and that file's size
// and hash then. A path holds no "|".
constexpr std::string_view header_start = "; Quillomat kept this copy of ";
constexpr std::string_view separator = " | ";
constexpr std::size_t max_copy_size = max_trigger_file_size + 4096;

const char* why_word(KeptWhy why) {
    switch (why) {
    case KeptWhy::discarded:
        return "discarded";
    case KeptWhy::emptied:
        return "emptied";
    default:
        return "session end";
    }
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The user's own folder for copies, as a path: not made until a copy goes there.
std::string recovered_folder() {
    const std::string base = user_data_folder();
    return base.empty() ? base : base + "Recovered" + base.back();
}

std::string time_text(const LocalTime& t, char time_separator) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d%c%02d%c%02d", t.year, t.month, t.day,
                  t.hour, time_separator, t.minute, time_separator, t.second);
    return text;
}

std::string header(const LocalTime& now, KeptWhy why) {
    const DiskIdentity& base = engine.file.on_disk;
    char identity[48] = "none";
    if (base.exists && base.hashed)
        std::snprintf(identity, sizeof identity, "%" PRIu64 " %016" PRIx64, base.size, base.hash);
    return std::string(header_start) + engine.file.path + std::string(separator) +
           time_text(now, ':') + std::string(separator) + why_word(why) + std::string(separator) +
           identity + "\r\n";
}

// Writes the copy in `folder` under a name no file has yet.
std::string write_copy(const std::string& folder, const LocalTime& now, std::string_view data) {
    const std::string name = folder + kept_name_start(engine.file.path) + " " + time_text(now, '.');
    for (int n = 1; n < 100; ++n) {
        const std::string path = name + (n > 1 ? " (" + std::to_string(n) + ")" : "") + ".txt";
        if (file_stat(path.c_str()).exists) continue;
        return replace_file(path.c_str(), data) ? path : std::string();
    }
    return {};
}

bool ends_with_nocase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() &&
           equal_nocase(text.data() + text.size() - end.size(), end.data(), end.size());
}

// Reads the first line's fields into `kept`; false when the text has no such line.
bool read_header(std::string_view& text, KeptText& kept, std::string& for_path) {
    if (text.substr(0, header_start.size()) != header_start) return false;
    const std::size_t end = text.find("\r\n");
    if (end == std::string_view::npos) return false;
    std::string_view fields = text.substr(header_start.size(), end - header_start.size());
    std::string_view parts[4];
    for (int i = 3; i > 0; --i) {
        const std::size_t at = fields.rfind(separator);
        if (at == std::string_view::npos) return false;
        parts[i] = fields.substr(at + separator.size());
        fields = fields.substr(0, at);
    }
    for_path = std::string(fields);
    kept.kept_at = std::string(parts[1]);
    kept.why = parts[2] == "discarded" ? KeptWhy::discarded
               : parts[2] == "emptied" ? KeptWhy::emptied
                                       : KeptWhy::session_end;
    unsigned long long size = 0, hash = 0;
    kept.base_known = true;
    if (std::sscanf(std::string(parts[3]).c_str(), "%llu %llx", &size, &hash) == 2)
        kept.base = DiskIdentity{true, true, 0, size, hash};
    text.remove_prefix(end + 2);
    return true;
}

// The copy at `path`, when it belongs to the trigger file now loaded. A copy
// from before copies said what they are counts only beside the file.
bool read_copy(const std::string& path, bool beside, KeptText& kept) {
    char* raw = nullptr;
    std::size_t size = 0;
    if (read_whole_file(path.c_str(), max_copy_size, &raw, &size) != FileRead::ok) return false;
    const HeapText bytes(raw);
    std::string_view text(raw, size);
    if (text.substr(0, byte_order_mark.size()) == byte_order_mark)
        text.remove_prefix(byte_order_mark.size());
    std::string for_path;
    const bool said = read_header(text, kept, for_path);
    const std::string& loaded = engine.file.path;
    if (said ? !(for_path.size() == loaded.size() &&
                 equal_nocase(for_path.c_str(), loaded.c_str(), loaded.size()))
             : !beside)
        return false;
    kept.path = path;
    kept.text = std::string(text);
    return true;
}
} // namespace

std::string kept_name_start(const std::string& trigger_path) {
    std::string name = trigger_path.substr(trigger_path.find_last_of("\\/") + 1);
    if (ends_with_nocase(name, ".txt")) name.erase(name.size() - 4);
    return name + " (unsaved edits)";
}

std::string keep_text_copy(std::string_view utf8, KeptWhy why) {
    const LocalTime now = local_time();
    const std::string data = std::string(byte_order_mark) + header(now, why) + std::string(utf8);
    std::string kept = write_copy(folder_of(engine.file.path), now, data);
    if (kept.empty()) {
        const std::string own = user_data_folder("Recovered");
        if (!own.empty()) kept = write_copy(own, now, data);
    }
    return kept;
}

std::vector<KeptText> kept_texts() {
    std::vector<KeptText> found;
    const std::string start = kept_name_start(engine.file.path);
    const std::string folders[] = {folder_of(engine.file.path), recovered_folder()};
    for (int place = 0; place < 2; ++place) {
        const std::string& folder = folders[place];
        if (place == 1 && folder.empty()) continue; // no folder of the user's own
        std::vector<std::string> names = files_in_folder(folder.empty() ? "." : folder.c_str());
        // "… 09.05.00.txt" before "… 09.05.00 (2).txt": by the name without its extension.
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return a.compare(0, a.size() - std::min<std::size_t>(a.size(), 4), b, 0,
                             b.size() - std::min<std::size_t>(b.size(), 4)) < 0;
        });
        for (const std::string& name : names) {
            if (name.size() < start.size() ||
                !equal_nocase(name.c_str(), start.c_str(), start.size()) ||
                !ends_with_nocase(name, ".txt"))
                continue;
            KeptText kept;
            if (read_copy(folder + name, place == 0, kept)) found.push_back(std::move(kept));
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const KeptText& a, const KeptText& b) { return a.kept_at < b.kept_at; });
    return found;
}

void edits_based_on(const KeptText& kept) {
    // A copy that does not say what it was based on is taken as based on
    // something else: Save asks.
    engine.file.on_disk = kept.base_known ? kept.base : DiskIdentity{true, false, 0, 0, 0};
}
