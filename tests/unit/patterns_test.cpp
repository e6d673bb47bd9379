// Pattern triggers: matching the end of the typed text, groups in the output,
// and what the checker says. These tables also run in the Windows test
// program under Wine, so that both builds are held to the same results.
#include "common/memory.h"
#include "common/unicode.h"
#include "triggers/encoding.h"
#include "triggers/pattern_check.h"
#include "triggers/patterns.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {
// The stretch a pattern takes at the end of `typed` ("" when it does not
// fire), and its first group after a "|".
std::string fired(const char* trigger, std::u32string_view typed, int window = 64) {
    PatternProblem problem;
    const Pattern pattern = compile_pattern(trigger, &problem);
    if (!pattern.usable()) return "refused: " + problem.words;
    const PatternMatch match = match_pattern(pattern, typed, window);
    if (match.outcome == PatternMatch::runaway) return "runaway";
    if (match.outcome == PatternMatch::none) return "";
    std::string text = match.groups[0] + "|" + std::to_string(match.length);
    if (match.groups.size() > 1) text += "|" + match.groups[1];
    return text;
}

// The output as typed: markup as it stands, captured text in «».
std::string rendered(const Pattern& pattern, const PatternMatch* match, const char* output) {
    std::string text;
    for (const OutputPiece& piece : render_pattern_output(output, pattern, match))
        text += piece.kind == OutputPiece::text ? "«" + piece.content + "»" : piece.content;
    return text;
}

// A UTF-8 file's text as the loader hands it to the engine.
std::string engine_text_of_utf8(const std::string& file) {
    HeapText text = alloc_text(file_buffer_size(file.size()));
    std::memcpy(text.get(), file.data(), file.size());
    std::size_t size = file.size();
    EXPECT_TRUE(to_engine_text(text, size, TextEncoding::utf8, nullptr));
    return std::string(text.get(), size);
}
} // namespace

TEST(Patterns, FireOnlyWhereTheTypedTextEnds) {
    const struct {
        const char* trigger;
        std::u32string typed;
        int window;
        std::string expected; // stretch|length|group 1
    } cases[] = {
        {"re:(\\d+)kg ", U"I weigh 72kg ", 64, "72kg |5|72"},
        {"re:(\\d+)kg ", U"I weigh 72kg x", 64, ""},
        {"re::greet\\((\\w+)\\)", U"hi :greet(Ann)", 64, ":greet(Ann)|11|Ann"},
        {"re:(\\d)/(\\d) ", U"1/2 3", 64, ""},
        {"re:(?i)\\bteh\\b ", U"Teh ", 64, "Teh |4"},
        {"re:(?i)\\bteh\\b ", U"ateh ", 64, ""},
        {"re:(\\d+)kg ", std::u32string(U"72k") + U'\0' + U"g ", 64, ""}, // a click between
        // The window: "\b" still sees the character before it.
        {"re:\\b(\\d+)kg ", U"123456kg ", 64, "123456kg |9|123456"},
        {"re:\\b(\\d+)kg ", U"123456kg ", 5, ""},
        {"re:(\\d+)kg ", U"123456kg ", 5, "56kg |5|56"},
        {"re:a{5}", U"aaaaa", 4, ""},
        // What the search skips on the newest character never hides a match.
        {"re:(?i)ABC", U"xabc", 64, "abc|3"},
        {"re:(?s)a.", U"a\n", 64, "a\n|2"},
        {"re:(x|y(z))", U"yz", 64, "yz|2|yz"},
        {"re:ab\\b", U"ab", 64, "ab|2"},
        {"re:\\Qa.b", U"a.b", 64, "a.b|3"},
        {"re:(?x) a b # a comment", U"ab", 64, "ab|2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fired(c.trigger, c.typed, c.window), c.expected) << c.trigger;
}

TEST(Patterns, AgreeOnUnicodeInEveryBuild) {
    const struct {
        const char* trigger;
        std::u32string typed;
        std::string expected;
    } cases[] = {
        {"re::greet\\((\\w+)\\)", U":greet(Иван)", ":greet(Иван)|12|Иван"},
        {"re:(\\w+)!", U"x Straße!", "Straße!|7|Straße"},
        {"re:(\\d+)%", U"٣٤%", "٣٤%|3|٣٤"},
        {"re:(?i){U+0434}{U+043E}{U+043C}", U"ДОМ", "ДОМ|3"}, // "дом" from a UTF-8 file
        {"re:(\\p{Lu})\\p{Ll}+ ", U"Ωmega ", "Ωmega |6|Ω"},
        {"re:(.)!", U"\U0001F600!", "\U0001F600!|2|\U0001F600"}, // one character, not two units
        {"re:(\\s)x", U"\u00A0x", "\u00A0x|2|\u00A0"},
        {"re:(\\W)x", U"дx", ""},
    };
    for (const auto& c : cases) {
        const std::string expected = c.expected;
        EXPECT_EQ(fired(c.trigger, c.typed), expected) << c.trigger;
    }
}

TEST(Patterns, FillGroupsIntoTheOutputAsText) {
    const struct {
        const char* trigger;
        std::u32string typed;
        const char* output;
        std::string expected;
    } cases[] = {
        {"re::greet\\((\\w+)\\)", U":greet(ann)", "Hello, {1|title}!", "Hello, «Ann»!"},
        {"re:(\\w+) (\\w+)!", U"иван ПЕТРОВ!", "{2|lower} {1|UPPER}", "«петров» «ИВАН»"},
        {"re:(.+)!", U"anne-marie o'neil!", "{1|title}", "«Anne-Marie O'Neil»"},
        {"re:(?<user>\\w+)@@", U"bob@@", "{user}@example.com{Enter}", "«bob»@example.com{Enter}"},
        {"re:(x)?(\\d)!", U"5!", "[{1}|{2}]", "[|«5»]"}, // a group that took no part
        {"re:(\\d)!", U"5!", "[{3}{name}{0}{{dd}}]", "[{name}{0}{{dd}}]"}, // groups it lacks
        {"re:(\\d)/(\\d) ", U"1/2 ", "{1}{U+2044}{2}", "«1»{U+2044}«2»"},
    };
    for (const auto& c : cases) {
        const Pattern pattern = compile_pattern(c.trigger);
        const PatternMatch match = match_pattern(pattern, c.typed, 64);
        ASSERT_EQ(match.outcome, PatternMatch::matched) << c.trigger;
        EXPECT_EQ(rendered(pattern, &match, c.output), c.expected) << c.trigger;
    }
    // A pick from the search window: nothing was typed, every group is empty.
    const Pattern greet = compile_pattern("re::greet\\((?<who>\\w+)\\)");
    EXPECT_EQ(rendered(greet, nullptr, "Hello, {1}{who}!"), "Hello, !");
}

TEST(Patterns, KeepCapturedTextLiteral) {
    const Pattern pattern = compile_pattern("re:say\\((.+)\\)");
    const PatternMatch match = match_pattern(pattern, U"say({Enter}RUN: calc %PATH%)", 64);
    const OutputPieces pieces = render_pattern_output("<{1}>{Tab}", pattern, &match);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].kind, OutputPiece::markup);
    EXPECT_EQ(pieces[1].kind, OutputPiece::text);
    EXPECT_EQ(pieces[1].content, "{Enter}RUN: calc %PATH%");
    EXPECT_EQ(pieces[2].kind, OutputPiece::markup);
    EXPECT_EQ(pieces[2].content, ">{Tab}");
}

TEST(Patterns, ReadACyrillicPatternFromAUtf8File) {
    // Whatever the code page makes of the file's letters (its bytes, or
    // "{U+XXXX}" tokens), the pattern means the same characters.
    const std::string text = engine_text_of_utf8("re:привет (\\w+) =Hi, {1}!\r\n");
    ASSERT_EQ(text.rfind("re:", 0), 0u) << text; // a pattern line is never set aside
    const std::string trigger = text.substr(0, text.find('='));
    EXPECT_EQ(fired(trigger.c_str(), U"ну привет Иван "), "привет Иван |12|Иван");
}

TEST(Patterns, RefuseWhatCannotFire) {
    const struct {
        const char* trigger;
        PatternProblem::Kind kind;
        int column;
    } cases[] = {
        {"re:(abc", PatternProblem::does_not_compile, 8},
        {"re:[abc", PatternProblem::does_not_compile, 8},
        {"re:a{2,1}", PatternProblem::does_not_compile, 8},
        {"re:*a", PatternProblem::does_not_compile, 4},
        {"re:\\p{Cyrillic}", PatternProblem::does_not_compile, 16},
        {"re:", PatternProblem::matches_empty, 0},
        {"re:a*", PatternProblem::matches_empty, 0},
        {"re:x|", PatternProblem::matches_empty, 0},
        {"re:\\b", PatternProblem::matches_empty, 0},
        {"re:(?<=x)", PatternProblem::matches_empty, 0},
        {"re:(?x) a? # a comment", PatternProblem::matches_empty, 0},
        {"re:(\\d+)kg ", PatternProblem::none, 0},
    };
    for (const auto& c : cases) {
        PatternProblem problem;
        const Pattern pattern = compile_pattern(c.trigger, &problem);
        EXPECT_EQ(problem.kind, c.kind) << c.trigger;
        EXPECT_EQ(problem.column, c.column) << c.trigger;
        EXPECT_EQ(pattern.usable(), c.kind == PatternProblem::none) << c.trigger;
    }
    PatternProblem problem;
    EXPECT_FALSE(compile_pattern("re:" + std::string(101, 'a'), &problem).usable());
    EXPECT_EQ(problem.column, 104);
    EXPECT_EQ(problem.words, "longer than 100 characters");
}

TEST(Patterns, GiveUpOnARunawaySearch) {
    const std::u32string typed = std::u32string(255, U'a') + U"b";
    EXPECT_EQ(fired("re:(a+)+c?$", typed, 255), "runaway");
    EXPECT_EQ(fired("re:(a+)+$", typed, 255), ""); // it cannot end on "b": no search at all
}

TEST(Patterns, TellTheCheckerWhatIsWrong) {
    const struct {
        const char* trigger;
        const char* output;
        int window;
        std::string expected; // "kind@column: words", one per diagnostic
    } cases[] = {
        {"re:(\\d+kg", "x", 64,
         "0@10: the pattern does not compile at column 10: a \"(\" without its \")\", or a "
         "\")\" without its \"(\"\n"},
        {"re:x*", "x", 64,
         "1@0: the pattern matches where nothing was typed: it would fire on every key\n"},
        {"re:(\\d)/(\\d) ", "{1}/{3} {who} {x|upper} {Enter}{Delay=9}{mouse_return}", 64,
         "2@19: the output names the group {3}, which the pattern does not have\n"
         "2@23: the output names the group {who}, which the pattern does not have\n"
         "2@29: the output names the group {x|upper}, which the pattern does not have\n"},
        {"re:a{70}", "x", 64,
         "3@0: the pattern needs at least 70 typed characters, more than the pattern window of "
         "64: it never fires\n"},
        {"re:a{70}", "x", 80, ""},
        {"re:(?<who>\\w+)!", "Hi {who|title}", 64, ""},
    };
    for (const auto& c : cases) {
        std::string found;
        for (const PatternDiagnostic& d : check_pattern_line(7, c.trigger, c.output, c.window)) {
            EXPECT_EQ(d.line, 7);
            found +=
                std::to_string(d.kind) + "@" + std::to_string(d.column) + ": " + d.words + "\n";
        }
        EXPECT_EQ(found, c.expected) << c.trigger;
    }
}

TEST(Patterns, ReadTheWindowDirectiveAndWordStarts) {
    EXPECT_EQ(pattern_window_from("100"), 100);
    EXPECT_EQ(pattern_window_from(" 300"), 255);
    EXPECT_EQ(pattern_window_from("99999999999"), 255);
    EXPECT_EQ(pattern_window_from("0"), 64);
    EXPECT_EQ(pattern_window_from("many"), 64);
    EXPECT_TRUE(match_begins_word(U"a 1kg", 3));
    EXPECT_TRUE(match_begins_word(U"1kg", 3));
    EXPECT_FALSE(match_begins_word(U"ж1kg", 3));
}

TEST(Unicode, ClassifiesAndFoldsFromItsOwnTables) {
    const struct {
        char32_t c;
        UnicodeCategory category;
        char32_t upper, lower, title;
    } cases[] = {
        {U'ж', UnicodeCategory::Ll, U'Ж', U'ж', U'Ж'},
        {U'Ā', UnicodeCategory::Lu, U'Ā', U'ā', U'Ā'},
        {U'ß', UnicodeCategory::Ll, U'ß', U'ß', U'ß'}, // "SS" is two characters
        {U'ǆ', UnicodeCategory::Ll, U'Ǆ', U'ǆ', U'ǅ'},
        {U'\U00010428', UnicodeCategory::Ll, U'\U00010400', U'\U00010428', U'\U00010400'},
        {U'٣', UnicodeCategory::Nd, U'٣', U'٣', U'٣'},
        {U'\u0301', UnicodeCategory::Mn, U'\u0301', U'\u0301', U'\u0301'},
        {U'\u00A0', UnicodeCategory::Zs, U'\u00A0', U'\u00A0', U'\u00A0'},
        {U'\U0001F600', UnicodeCategory::So, U'\U0001F600', U'\U0001F600', U'\U0001F600'},
        {U'\U0010FFFF', UnicodeCategory::Cn, U'\U0010FFFF', U'\U0010FFFF', U'\U0010FFFF'},
    };
    for (const auto& c : cases) {
        const auto code = static_cast<unsigned>(c.c);
        EXPECT_EQ(unicode_category(c.c), c.category) << std::hex << code;
        EXPECT_EQ(unicode_upper(c.c), c.upper) << std::hex << code;
        EXPECT_EQ(unicode_lower(c.c), c.lower) << std::hex << code;
        EXPECT_EQ(unicode_title(c.c), c.title) << std::hex << code;
    }
}
