// The output of a trigger as it fires, built from its tokens: the lines its
// {Snip:} tokens name and the items its {Random:} tokens choose, in place;
// the clipboard's text for {Clipboard} taken at that moment. What came from
// elsewhere is set in as text pieces just before the output is compiled.
#include "common/utf8.h"
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/platform.h"
#include "ui/status.h"

#include <string>

namespace {
// The window in front is asked at most once per output, and only when a
// line a {Snip:} names belongs to a section.
bool fits_window(const TriggerEntry& entry) {
    if (entry.section == 0) return true;
    Preparation& prepare = engine.prepare;
    if (!prepare.front_known) prepare.front = front_program();
    prepare.front_known = true;
    return program_matches(engine.file.table.sections[entry.section - 1u], prepare.front);
}

// The line's output, as the file wrote it.
std::string_view entry_output(const TriggerEntry& entry) {
    const std::string& text = engine.file.text;
    if (entry.output_at > text.size()) return {};
    return std::string_view(text).substr(entry.output_at, entry.output_length);
}

std::size_t choose_item(std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(engine.prepare.choices);
}
} // namespace

void seed_random_choices(uint32_t seed) {
    engine.prepare.choices.seed(seed);
}

std::string cut_inserted_text(std::string text) {
    // Typed text cannot be stopped once it goes out; a clipboard of many
    // megabytes would hold the keyboard for hours.
    if (text.size() > max_composed_size) text.resize(utf8_prefix(text, max_composed_size));
    return text;
}

void compose_fired_output(int entry_index) {
    Preparation& prepare = engine.prepare;
    const TriggerEntry& entry = engine.file.table.entries[entry_index];
    prepare.front_known = false;
    const SnipSource source{&engine.file.table, engine.file.text, fits_window, choose_item};
    prepare.markup = compose_markup(entry_output(entry), entry_index, source);
    prepare.inserted = InsertedTexts{};
    prepare.clipboard_read = ClipboardText::text;
    if (!holds_insert(prepare.markup, InsertKind::clipboard)) return;
    std::string text;
    const ClipboardText read = clipboard_text(&text);
    prepare.inserted.clipboard = cut_inserted_text(std::move(text));
    prepare.clipboard_read = read;
}

void set_in_inserted_text(OutputPieces& pieces) {
    set_in_inserts(pieces, engine.prepare.inserted);
}

void tell_what_was_not_inserted() {
    if (engine.prepare.clipboard_read == ClipboardText::none)
        status_printf(" The clipboard holds no text: {Clipboard} typed nothing");
    if (engine.prepare.clipboard_read == ClipboardText::busy)
        status_printf(" Another program holds the clipboard: {Clipboard} typed nothing");
}
