#include "triggers/insert_report.h"

#include "triggers/inserts.h"
#include "triggers/output_script.h"
#include "triggers/report.h"

#include <algorithm>
#include <cstdio>

namespace {
std::string_view output_of(std::string_view text, const TriggerEntry& entry) {
    if (entry.output_at > text.size()) return {};
    return text.substr(entry.output_at, entry.output_length);
}

// Every token of the output, those inside {Random:} items too.
std::vector<InsertToken> tokens_in(std::string_view output) {
    std::vector<InsertToken> tokens;
    for (std::size_t at = output.find('{'); at != std::string_view::npos;
         at = output.find('{', at + 1)) {
        const InsertToken token = insert_token_at(output, at);
        if (token.kind != InsertKind::none) tokens.push_back(token);
    }
    return tokens;
}

// The cursors one choice of the output can hold: its own, and the most any
// item of a {Random:} holds.
int cursors_in(std::string_view output) {
    int count = 0;
    for (std::size_t at = output.find('{'); at != std::string_view::npos;) {
        const InsertToken token = insert_token_at(output, at);
        if (token.kind == InsertKind::random) {
            int most = 0;
            for (const std::string_view item : random_items(token.argument))
                most = std::max(most, cursors_in(item));
            count += most;
        }
        count += token.kind == InsertKind::cursor;
        at = output.find('{', at + (token.length ? token.length : 1));
    }
    return count;
}

std::string printable(std::string_view name) {
    std::string out;
    char escaped[8];
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte < 127) {
            out += c;
            continue;
        }
        std::snprintf(escaped, sizeof escaped, "<%02X>", byte);
        out += escaped;
    }
    return out;
}

std::string line_and_trigger(const TriggerEntry& entry) {
    std::string words = "line " + std::to_string(entry.line) + " (";
    return words + describe_trigger(entry) + ")";
}

class Reader {
  public:
    Reader(std::string_view text, const TriggerTable& table) : text_(text), table_(table) {
        for (int i = 0; i < table.count; ++i) {
            std::vector<int> next;
            for (const InsertToken& token : tokens_in(output_of(text, table.entries[i])))
                if (token.kind == InsertKind::snip)
                    for (const int target : snip_targets(table, token.argument))
                        next.push_back(target);
            snips_.push_back(std::move(next));
        }
    }

    // A chain of snips from `entry` that comes back to it, as the lines it
    // passes; empty when none does.
    std::vector<int> loop_through(int entry) const {
        std::vector<int> path{entry};
        std::vector<bool> seen(snips_.size(), false);
        return find_way_back(entry, path, seen) ? path : std::vector<int>{};
    }

    // The output as the player reads it, every item of a {Random:} in turn:
    // whether its {Cursor} can be placed.
    bool cursor_unplaceable(int entry) const {
        const SnipSource source{&table_, text_, nullptr, nullptr};
        OutputPieces pieces{
            OutputPiece{OutputPiece::markup,
                        compose_markup(output_of(text_, table_.entries[entry]), entry, source)}};
        set_in_inserts(pieces, InsertedTexts{"x", "x"});
        for (const OutputStep& step : compile_output(pieces))
            if (step.kind == OutputStep::caret && step.number < 0) return true;
        return false;
    }

  private:
    bool find_way_back(int from, std::vector<int>& path, std::vector<bool>& seen) const {
        for (const int next : snips_[static_cast<std::size_t>(from)]) {
            if (next == path.front()) {
                path.push_back(next);
                return true;
            }
            if (seen[static_cast<std::size_t>(next)]) continue;
            seen[static_cast<std::size_t>(next)] = true;
            path.push_back(next);
            if (find_way_back(next, path, seen)) return true;
            path.pop_back();
        }
        return false;
    }

    std::string_view text_;
    const TriggerTable& table_;
    std::vector<std::vector<int>> snips_; // per entry: the entries its snips may name
};

std::string tags_of(const std::vector<InsertToken>& tokens) {
    std::string tags;
    static const struct {
        InsertKind kind;
        const char* tag;
    } plain[] = {{InsertKind::cursor, "  [cursor]"},
                 {InsertKind::clipboard, "  [clipboard]"},
                 {InsertKind::selection, "  [selection]"}};
    auto holds = [&](InsertKind kind) {
        return std::any_of(tokens.begin(), tokens.end(),
                           [&](const InsertToken& token) { return token.kind == kind; });
    };
    for (const auto& tag : plain)
        if (holds(tag.kind)) tags += tag.tag;
    std::vector<std::string_view> named;
    for (const InsertToken& token : tokens) {
        if (token.kind != InsertKind::snip ||
            std::find(named.begin(), named.end(), token.argument) != named.end())
            continue;
        named.push_back(token.argument);
        tags += "  [snip: " + printable(token.argument) + "]";
    }
    if (holds(InsertKind::random)) tags += "  [random]";
    return tags;
}
} // namespace

InsertReport report_inserts(std::string_view text, const TriggerReport& report) {
    const TriggerTable& table = report.table;
    const Reader reader(text, table);
    InsertReport result;
    for (int i = 0; i < table.count; ++i) {
        const TriggerEntry& entry = table.entries[i];
        const std::string_view output = output_of(text, entry);
        const std::vector<InsertToken> tokens = tokens_in(output);
        result.tags.push_back(tags_of(tokens));
        auto note = [&](const std::string& words) { result.notes.emplace_back(entry.line, words); };
        if (cursors_in(output) > 1) note("a second {Cursor}: only the first one places the caret");
        const bool may_place_caret =
            std::any_of(tokens.begin(), tokens.end(), [](const InsertToken& t) {
                return t.kind == InsertKind::cursor || t.kind == InsertKind::snip;
            });
        if (may_place_caret && reader.cursor_unplaceable(i))
            note("the caret cannot be placed at {Cursor}: more than characters, {Enter} and "
                 "{Tab} follows it, so the caret stays at the end");
        for (const InsertToken& token : tokens) {
            if (token.kind == InsertKind::snip && snip_targets(table, token.argument).empty())
                note("{Snip:" + printable(token.argument) +
                     "} names no trigger: it inserts nothing");
            if (token.kind == InsertKind::random && token.argument.empty())
                note("an empty {Random:}: it inserts nothing");
        }
        if (entry.flags == 0 && std::any_of(tokens.begin(), tokens.end(), [](const InsertToken& t) {
                return t.kind == InsertKind::selection;
            }))
            note("{Selection} in a typed trigger inserts nothing: typing the trigger replaced "
                 "the selection (a hotkey keeps it)");
        const std::vector<int> loop = reader.loop_through(i);
        if (!loop.empty()) {
            std::string words = "a {Snip:} loop: ";
            for (std::size_t step = 0; step < loop.size(); ++step)
                words += (step ? " -> " : "") +
                         line_and_trigger(table.entries[static_cast<std::size_t>(loop[step])]);
            note(words + "; the chain stops where it comes back");
        }
    }
    return result;
}
