// Any bytes as a trigger file, ANSI or UTF-8: the translation into the
// engine's text and the parse must end, stay in their buffers and leave a
// table the matcher can scan; the checker's findings must agree with the
// loader's count.
#include "common/memory.h"
#include "triggers/encoding.h"
#include "triggers/report.h"
#include "triggers/triggers.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The loader reads files into a buffer with room to spare and a terminator.
    HeapText text = alloc_text(file_buffer_size(size));
    if (!text) return 0;
    std::memcpy(text.get(), data, size);
    std::size_t length = size;
    std::vector<int> untypeable;
    if (!to_engine_text(text, length, detect_encoding(text.get(), size), &untypeable)) return 0;
    static TriggerReport report;
    build_trigger_report(text.get(), length, true, report, &untypeable);
    const TriggerTable& table = report.table;
    if (table.count < 0 || table.count > max_triggers) std::abort();
    if (table.entries[trigger_capacity - 1].match[0] != '\0') std::abort();
    for (int i = 0; i < table.count; ++i) {
        const TriggerEntry& e = table.entries[i];
        if (e.match_length < 1 || e.match_length > max_match_length) std::abort();
        if (e.lookup_key[0] != '\n') std::abort();
        (void)describe_trigger(e);
    }
    // The loader's count of lines with likely mistakes is the checker's.
    if (count_likely_mistakes(text.get(), length, table) != report.mistake_lines) std::abort();
    (void)format_trigger_report(report);
    return 0;
}
