// Any bytes as a trigger file: the parse must end, stay in its buffers and
// leave a table the matcher can scan.
#include "engine/trigger_report.h"
#include "engine/triggers.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The loader reads files into a buffer with room to spare and a terminator.
    char* text = static_cast<char*>(std::calloc(size + 4096, 1));
    if (!text) return 0;
    std::memcpy(text, data, size);
    static TriggerReport report;
    build_trigger_report(text, size, true, report);
    const TriggerTable& table = report.table;
    if (table.count < 0 || table.count > max_triggers) std::abort();
    if (table.entries[trigger_capacity - 1].match[0] != '\0') std::abort();
    for (int i = 0; i < table.count; ++i) {
        const TriggerEntry& e = table.entries[i];
        if (e.match_length < 1 || e.match_length > max_match_length) std::abort();
        if (e.lookup_key[0] != '\n') std::abort();
        (void)describe_trigger(e);
    }
    (void)format_trigger_report(report);
    std::free(text);
    return 0;
}
