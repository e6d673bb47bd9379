// The trigger file comes in here: read, decoded, shown in the editor, parsed
// into the table, and kept as the text the outputs come from. Save goes out
// through here too, in the encoding the file came in.
#include "common/memory.h"
#include "common/packed_text.h"
#include "engine/disk_copy.h"
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/platform.h"
#include "triggers/encoding.h"
#include "triggers/mistakes.h"
#include "ui/status.h"
#include "ui/ui.h"

#include <string>

namespace {
constexpr int default_trigger_text_id = 8002;

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Writes the built-in default trigger file at `path`; false when the file
// cannot be created.
bool write_default_file(const char* path) {
    const std::string_view packed = builtin_text(default_trigger_text_id);
    std::string_view text;
    HeapText unpacked;
    if (!packed.empty()) {
        int32_t length = static_cast<int32_t>(length_bounded(packed.data(), packed.size()));
        unpacked.reset(unpack_text(packed.data(), &length));
        if (unpacked) text = std::string_view(unpacked.get(), static_cast<std::size_t>(length));
    }
    return replace_file(path, text);
}

// Leaves the file alone and shows nothing of it: the editor must never hold
// text that Save could write over a file it did not come from.
void refuse_file(FileRead why, const TextProblem& problem = {}) {
    LoadedFile& file = engine.file;
    file.refusal = why;
    set_editor_text("");
    set_editor_read_only(true);
    const char* path = file.path.c_str();
    switch (why) {
    case FileRead::not_text:
        file.refusal_words = describe_text_problem(problem);
        status_printf(" Trigger file not loaded, it %s: %s", file.refusal_words.c_str(), path);
        break;
    case FileRead::too_large:
        status_printf(" Trigger file too large to load: %s", path);
        break;
    case FileRead::no_memory:
        status_printf(" Triggers Loaded: 0 ");
        break;
    case FileRead::missing:
        if (!file.awaited) status_printf(" Unable to create the trigger file: %s", path);
        break;
    default:
        status_printf(" Unable to read the trigger file: %s", path);
        break;
    }
}

// A new load: the table, the text and what is known of the file start
// afresh. The modes a file switched on stay on while that file is loaded
// again, and end when another file is loaded.
void start_afresh(const char* path) {
    LoadedFile& file = engine.file;
    const bool same_file = file.modes_path == path;
    const TriggerTable& old = file.table;
    const bool debug_mode = same_file && old.debug_mode, remap_mode = same_file && old.remap_mode,
               netbook = old.netbook;
    file = LoadedFile{};
    file.path = path;
    file.modes_path = path;
    file.debug_log = folder_of(file.path) + "Quillomat_log.txt";
    file.table.debug_mode = debug_mode;
    file.table.remap_mode = remap_mode;
    file.table.netbook = netbook;
    forget_typed();
}

// The load message: the count, and what the user should know of the file.
void report_load(int count) {
    const LoadedFile& file = engine.file;
    std::string notes;
    if (!file.untypeable.empty())
        notes += ", " + std::to_string(file.untypeable.size()) + " cannot be typed";
    const int mistakes = count_likely_mistakes(file.text.data(), file.text.size(), file.table);
    if (mistakes > 0)
        notes += ", likely mistakes on " + std::to_string(mistakes) +
                 (mistakes == 1 ? " line" : " lines") + " (quillomat-check names them)";
    const char* debug = file.table.debug_mode ? " * * * DEBUG ON * * *" : "";
    status_printf(" Triggers Loaded: %d%s %s", count, notes.c_str(), debug);
}

// Nothing is written in a missing file's place: it is looked for now and
// then, and loaded once it is there.
void await_missing_file(const char* path, const LinkTarget& link) {
    remember_trigger_file(path, nullptr, 0);
    engine.file.awaited = true;
    await_trigger_file();
    refuse_file(FileRead::missing);
    if (!link.dangling)
        status_printf(" The trigger file is not there (yet); it is loaded as soon as it "
                      "appears: %s",
                      path);
    else
        status_printf(" The trigger file links to %s, which is missing; it is loaded as soon as "
                      "it appears: %s",
                      link.target.empty() ? "a file" : link.target.c_str(), path);
}

void read_into_table(const char* path, bool keep_place, IfMissing if_missing) {
    start_afresh(path);
    LoadedFile& file = engine.file;
    const LinkTarget link = link_target(path);
    if (link.link) file.link_target = link.target;
    char* raw = nullptr;
    std::size_t size = 0;
    FileRead result = read_whole_file(path, max_trigger_file_size, &raw, &size);
    HeapText text(raw);
    // Only a file that is not there at all gets the examples: one the user
    // saved, however short, is theirs. A file on its way (named by the
    // settings, or a link into a folder not synced yet) is waited for.
    if (result == FileRead::missing && (link.dangling || if_missing == IfMissing::wait))
        return await_missing_file(path, link);
    if (result == FileRead::missing) {
        text.reset();
        if (!write_default_file(path)) return refuse_file(FileRead::missing);
        result = read_whole_file(path, max_trigger_file_size, &raw, &size);
        text.reset(raw);
    }
    remember_trigger_file(path, result == FileRead::ok ? text.get() : nullptr, size);
    // A file that exists but could not be read is the user's, and it may
    // only be locked for a moment: it is never replaced.
    if (result != FileRead::ok || !text) return refuse_file(result);
    const TextEncoding encoding = detect_encoding(text.get(), size);
    const TextProblem problem = check_text(text.get(), size, encoding);
    if (problem.kind != TextProblem::none) return refuse_file(FileRead::not_text, problem);
    if (!utf16_to_utf8(text, size, encoding)) return refuse_file(FileRead::no_memory);
    set_editor_read_only(false);
    set_editor_text(text_for_editor(text.get(), size, encoding), keep_place);
    if (!to_engine_text(text, size, is_utf16(encoding) ? TextEncoding::utf8 : encoding,
                        &file.untypeable))
        return refuse_file(FileRead::no_memory);
    file.encoding = encoding;
    file.text.assign(text.get(), size);
    apply_markers(file.text.c_str(), file.table);
    const int count = parse_trigger_text(file.text.data(), file.text.size(), file.table, nullptr);
    report_load(count);
}
} // namespace

void load_triggers(const char* path, bool keep_place, IfMissing if_missing) {
    pause_polling();
    // An output on its way holds the modifiers its "{CtrlDown}" pressed.
    if (!output_on_its_way()) reset_keyboard();
    read_into_table(path ? path : "", keep_place, if_missing);
    compile_patterns();
    resume_polling();
}

bool save_trigger_text(std::string_view editor_text, std::string* kept_at, WriteProblem* why) {
    LoadedFile& file = engine.file;
    if (file.refusal != FileRead::ok) return false; // never over a file that was not loaded
    const std::string bytes = encode_trigger_text(editor_text, file.encoding);
    pause_polling();
    const std::string path = file.path;
    const bool saved = replace_file(path.c_str(), bytes, kept_at, why);
    if (saved) load_triggers(path.c_str(), true, IfMissing::wait);
    resume_polling();
    return saved;
}
