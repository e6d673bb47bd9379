#include "triggers/triggers.h"

#include <gtest/gtest.h>

#include <string>

namespace {
struct Parsed {
    TriggerTable table;
    std::vector<LineNote> notes;
    int count = 0;
};

Parsed parse(const std::string& text) {
    Parsed p;
    p.count = parse_trigger_text(text.data(), text.size(), p.table, &p.notes);
    return p;
}

std::string match_of(const TriggerEntry& e) {
    return std::string(e.match.data());
}
} // namespace

TEST(ParseTriggers, ReadsTriggerLinesAndSkipsTheRest) {
    Parsed p =
        parse("note without equals sign\r\nbtw=by the way\r\n;c=comment\r\n =x\r\n=y\r\na=b=c\r\n");
    ASSERT_EQ(p.count, 3);
    EXPECT_EQ(match_of(p.table.entries[0]), "wtb");
    EXPECT_STREQ(p.table.entries[0].lookup_key.data(), "\nbtw=");
    EXPECT_EQ(p.table.entries[0].match_length, 3);
    EXPECT_STREQ(p.table.entries[1].lookup_key.data(), "\n ="); // a leading blank is part of it
    EXPECT_STREQ(p.table.entries[2].lookup_key.data(), "\na="); // the first "=" ends the trigger
    EXPECT_TRUE(p.table.entries[3].match[0] == '\0');
    std::vector<LineVerdict> verdicts;
    for (const LineNote& n : p.notes)
        verdicts.push_back(n.verdict);
    EXPECT_EQ(verdicts,
              (std::vector<LineVerdict>{LineVerdict::no_equals, LineVerdict::trigger,
                                        LineVerdict::comment, LineVerdict::trigger,
                                        LineVerdict::starts_with_equals, LineVerdict::trigger}));
    EXPECT_EQ(p.notes[4].line, 5);
}

TEST(ParseTriggers, AnyRunOfLineEndsSeparatesLines) {
    for (const char* text : {"a=1\nb=2\n\nc=3", "a=1\rb=2\r\rc=3", "a=1\r\nb=2\n\r\r\nc=3\r"}) {
        Parsed p = parse(text);
        ASSERT_EQ(p.count, 3) << text;
        EXPECT_STREQ(p.table.entries[2].lookup_key.data(), "\nc=");
    }
    // Line numbers count CR LF, CR and LF as one line end each.
    Parsed p = parse("a=1\r\n\nb=2\r\rc=3");
    EXPECT_EQ(p.notes[1].line, 3);
    EXPECT_EQ(p.notes[2].line, 5);
}

TEST(ParseTriggers, TriggersHaveAtMost61Characters) {
    const std::string t61(61, 'x'), t62(62, 'y');
    Parsed p = parse(t61 + "=ok\n" + t62 + "=too long\nz=after");
    ASSERT_EQ(p.count, 2);
    EXPECT_EQ(p.table.entries[0].match_length, 32);
    EXPECT_STREQ(p.table.entries[0].lookup_key.data(), ("\n" + t61 + "=").c_str());
    EXPECT_STREQ(p.table.entries[1].lookup_key.data(), "\nz=");
    EXPECT_EQ(p.notes[1].verdict, LineVerdict::too_long);
}

TEST(ParseTriggers, LoadsOnly255TriggerLines) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "t" + std::to_string(i) + "=x\n";
    Parsed p = parse(text);
    EXPECT_EQ(p.count, 255);
    EXPECT_STREQ(p.table.entries[254].lookup_key.data(), "\nt254=");
    EXPECT_EQ(p.table.entries[255].match[0], '\0');
    EXPECT_EQ(p.notes[255].verdict, LineVerdict::beyond_limit);
    EXPECT_EQ(p.notes.size(), 300u);
}

TEST(ParseTriggers, TokensMakeHotkeysAndKeyBytes) {
    struct Case {
        const char* line;
        uint8_t flags;
        const char* match; // as stored: reversed
        const char* key;
    } cases[] = {
        {"{Control}{ALT}x=.", 5, "X", "\n{Control}{ALT}x="},
        {"{control}{alt}k=.", 5, "K", "\n{control}{alt}k="},
        {"{control}{shift}!=.", 3, "1", "\n{control}{shift}!="},
        {"abc{Enter}=.", 0x10,
         "\x0D"
         "cba",
         "\nabc{Enter}="},
        {"xy{4}=.", 0,
         "\x04"
         "yx",
         "\nxy{4}="},
        {"{F1}=.", 0x10, "\x70", "\n{F1}="},
        {"{shift}{f1}=.", 0x12, "\x70", "\n{shift}{f1}="},
        {"{VolumeUp}=.", 0x10, "\xAF", "\n{VolumeUp}="},
        {"caf\xE9=.", 0,
         "\xE9"
         "fac",
         "\ncaf\xE9="},
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.line);
        ASSERT_EQ(p.count, 1) << c.line;
        EXPECT_EQ(p.table.entries[0].flags, c.flags) << c.line;
        EXPECT_EQ(match_of(p.table.entries[0]), c.match) << c.line;
        EXPECT_STREQ(p.table.entries[0].lookup_key.data(), c.key) << c.line;
    }
}

TEST(ParseTriggers, ALineOfModifierTokensOnlyIsSkippedAndLaterTriggersStayReachable) {
    Parsed p = parse("{control}{alt}=nothing to press\nbtw=by the way\n");
    ASSERT_EQ(p.count, 1);
    EXPECT_EQ(match_of(p.table.entries[0]), "wtb");
    EXPECT_EQ(p.notes[0].verdict, LineVerdict::modifiers_only);
}

TEST(ParseTriggers, ARejectedLastLineLeavesNoHalfFilledEntry) {
    // The unfinished line must not leave text in the entry after the last
    // trigger: the matcher would take it for a trigger of length 0.
    Parsed p = parse("btw=by the way\nhello");
    ASSERT_EQ(p.count, 1);
    EXPECT_EQ(p.table.entries[1].match[0], '\0');
}

TEST(ParseTriggers, AZeroByteEndsTheText) {
    const std::string text("a=1\nb=\0\nc=3", 11);
    Parsed p = parse(text);
    EXPECT_EQ(p.count, 2);
    ASSERT_FALSE(p.notes.empty());
    EXPECT_EQ(p.notes.back().verdict, LineVerdict::after_nul);
}

TEST(ReplaceKeyTokens, ReplacesEveryTokenByItsKeyCode) {
    char text[64] = "{Enter}a{TAB}{enter}{Enter 3}";
    EXPECT_EQ(replace_key_tokens(text), 3);
    EXPECT_STREQ(text, "\x0D"
                       "a\x09\x0D{Enter 3}");
    char braces[64] = "{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{";
    EXPECT_EQ(replace_key_tokens(braces), 0);
}

TEST(UnshiftChar, MapsLettersAndShiftedSymbols) {
    EXPECT_EQ(unshift_char('k'), 'K');
    EXPECT_EQ(unshift_char('!'), '1');
    EXPECT_EQ(unshift_char('~'), '`');
    EXPECT_EQ(unshift_char('?'), '/');
    EXPECT_EQ(unshift_char('K'), 'K');
    EXPECT_EQ(unshift_char('1'), '1');
    EXPECT_EQ(unshift_char('\0'), '\0');
    EXPECT_EQ(shifted_row.size(), 21u);
    EXPECT_EQ(unshifted_row.size(), 21u);
}

TEST(Markers, DebugAnywhereAndRemapOnlyOnTheNetbook) {
    TriggerTable table;
    apply_markers("; REMAP TILDE", table);
    EXPECT_FALSE(table.remap_mode);
    table.netbook = true;
    apply_markers("; REMAP TILDE", table);
    EXPECT_TRUE(table.remap_mode);
    apply_markers("; quillomat_debug", table);
    EXPECT_FALSE(table.debug_mode); // markers compare with case
    apply_markers("; Quillomat_DEBUG", table);
    EXPECT_TRUE(table.debug_mode);
}
