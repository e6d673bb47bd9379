#include "triggers/inserts.h"

#include "common/text.h"

#include <algorithm>
#include <cstring>

namespace {
// A composition gives up inserting snips after this many: lines that each
// name another twice would otherwise double the work at every step.
constexpr int max_snips_per_output = 1000;

bool starts_with_word(std::string_view text, std::size_t at, std::string_view word) {
    return text.size() - at >= word.size() &&
           equal_nocase(text.data() + at, word.data(), word.size());
}

// From just after an opening brace: the length up to and including the
// brace that closes it (braces nested), or 0 when none does.
std::size_t closed_length(std::string_view text, std::size_t from) {
    int depth = 1;
    for (std::size_t at = from; at < text.size(); ++at) {
        if (text[at] == '{') ++depth;
        if (text[at] == '}' && --depth == 0) return at + 1 - from;
    }
    return 0;
}

struct Composer {
    const SnipSource& source;
    std::string out;
    std::vector<int> chain; // the entries whose outputs are being composed, outermost first
    int snips = 0;

    void compose(std::string_view text) {
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t brace = text.find('{', at);
            out.append(text.substr(at, brace == std::string_view::npos ? brace : brace - at));
            if (brace == std::string_view::npos) return;
            const InsertToken token = insert_token_at(text, brace);
            if (token.kind == InsertKind::snip) {
                snip(token.argument);
            } else if (token.kind == InsertKind::random) {
                random(token.argument);
            } else {
                out += '{';
                at = brace + 1;
                continue;
            }
            at = brace + token.length;
        }
    }

    void snip(std::string_view trigger) {
        if (++snips > max_snips_per_output || out.size() >= max_composed_size) return;
        const TriggerTable& table = *source.table;
        for (const int target : snip_targets(table, trigger)) {
            if (source.fits && !source.fits(table.entries[target])) continue;
            // A chain that comes back stops there.
            if (std::find(chain.begin(), chain.end(), target) != chain.end()) return;
            const TriggerEntry& entry = table.entries[target];
            if (entry.output_at > source.text.size()) return;
            const std::size_t before = out.size();
            chain.push_back(target);
            compose(source.text.substr(entry.output_at, entry.output_length));
            chain.pop_back();
            if (out.size() > max_composed_size) out.resize(before);
            return;
        }
    }

    void random(std::string_view argument) {
        const std::vector<std::string_view> items = random_items(argument);
        if (items.empty()) return;
        if (!source.choose) {
            for (const std::string_view item : items)
                compose(item);
            return;
        }
        compose(items[std::min(source.choose(items.size()), items.size() - 1)]);
    }
};

void append_markup(OutputPieces& pieces, std::string_view markup) {
    if (!markup.empty()) pieces.push_back(OutputPiece{OutputPiece::markup, std::string(markup)});
}
} // namespace

InsertToken insert_token_at(std::string_view text, std::size_t at) {
    InsertToken token;
    if (at >= text.size() || text[at] != '{') return token;
    static const struct {
        std::string_view word;
        InsertKind kind;
    } plain[] = {{"{Cursor}", InsertKind::cursor},
                 {"{Clipboard}", InsertKind::clipboard},
                 {"{Selection}", InsertKind::selection}},
      with_argument[] = {{"{Snip:", InsertKind::snip}, {"{Random:", InsertKind::random}};
    for (const auto& word : plain)
        if (starts_with_word(text, at, word.word))
            return InsertToken{word.kind, word.word.size(), {}};
    for (const auto& word : with_argument) {
        if (!starts_with_word(text, at, word.word)) continue;
        const std::size_t from = at + word.word.size();
        const std::size_t rest = closed_length(text, from);
        if (rest == 0) return token;
        return InsertToken{word.kind, word.word.size() + rest, text.substr(from, rest - 1)};
    }
    return token;
}

bool holds_insert(std::string_view text, InsertKind kind) {
    for (std::size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', at + 1))
        if (insert_token_at(text, at).kind == kind) return true;
    return false;
}

std::vector<std::string_view> random_items(std::string_view argument) {
    std::vector<std::string_view> items;
    if (argument.empty()) return items;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t at = 0; at < argument.size(); ++at) {
        if (argument[at] == '{') ++depth;
        if (argument[at] == '}') --depth;
        if (argument[at] == '|' && depth == 0) {
            items.push_back(argument.substr(start, at - start));
            start = at + 1;
        }
    }
    items.push_back(argument.substr(start));
    return items;
}

std::vector<int> snip_targets(const TriggerTable& table, std::string_view trigger) {
    std::vector<int> targets;
    if (trigger.empty() || trigger.size() > max_trigger_chars) return targets;
    for (int i = 0; i < table.count; ++i) {
        const char* key = table.entries[i].lookup_key.data(); // "\n" + trigger + "="
        if (key[1] == trigger[0] && std::memcmp(key + 1, trigger.data(), trigger.size()) == 0 &&
            key[trigger.size() + 1] == '=' && key[trigger.size() + 2] == '\0')
            targets.push_back(i);
    }
    return targets;
}

std::string compose_markup(std::string_view output, int entry, const SnipSource& source) {
    Composer composer{source, {}, {}, 0};
    if (entry >= 0) composer.chain.push_back(entry);
    composer.compose(output);
    return std::move(composer.out);
}

void set_in_inserts(OutputPieces& pieces, const InsertedTexts& texts) {
    OutputPieces result;
    bool cursor_placed = false;
    for (OutputPiece& piece : pieces) {
        if (piece.kind != OutputPiece::markup) {
            result.push_back(std::move(piece));
            continue;
        }
        const std::string_view markup = piece.content;
        std::size_t done = 0;
        for (std::size_t at = markup.find('{'); at != std::string_view::npos;
             at = markup.find('{', at + 1)) {
            const InsertToken token = insert_token_at(markup, at);
            if (token.kind != InsertKind::cursor && token.kind != InsertKind::clipboard &&
                token.kind != InsertKind::selection)
                continue;
            append_markup(result, markup.substr(done, at - done));
            if (token.kind == InsertKind::clipboard)
                result.push_back(OutputPiece{OutputPiece::text, texts.clipboard});
            else if (token.kind == InsertKind::selection)
                result.push_back(OutputPiece{OutputPiece::text, texts.selection});
            else if (!cursor_placed)
                result.push_back(OutputPiece{OutputPiece::cursor, {}});
            cursor_placed = cursor_placed || token.kind == InsertKind::cursor;
            done = at + token.length;
            at = done - 1;
        }
        append_markup(result, markup.substr(done));
    }
    pieces = std::move(result);
}
