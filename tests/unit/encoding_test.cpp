// UTF-8 trigger files, the Unicode token and Unicode typing, on the simulated
// desktop (code page Windows-1252).
#include "engine_fixture.h"
#include "triggers/encoding.h"

#include <gtest/gtest.h>

#include <string>

TEST(Encoding, DecidesHowAFileIsRead) {
    const struct {
        const char* name;
        std::string bytes;
        TextEncoding expected;
    } cases[] = {
        {"plain ASCII", "btw=by the way\r\n", TextEncoding::ansi},
        {"ANSI e-acute", "cafe=caf\xE9\r\n", TextEncoding::ansi},
        {"UTF-8 e-acute", "cafe=caf\xC3\xA9\r\n", TextEncoding::utf8},
        {"UTF-8 with its mark",
         "\xEF\xBB\xBF"
         "btw=x",
         TextEncoding::utf8_bom},
        {"the mark alone", "\xEF\xBB\xBF", TextEncoding::utf8_bom},
        {"ANSI that forms valid UTF-8 is UTF-8", "x=\xC3\xA9", TextEncoding::utf8},
        {"a lead byte without its follower", "x=\xC3(", TextEncoding::ansi},
        {"a surrogate", "x=\xED\xA0\x80", TextEncoding::ansi},
        {"an overlong form", "x=\xC0\xAF", TextEncoding::ansi},
        {"above U+10FFFF", "x=\xF4\x90\x80\x80", TextEncoding::ansi},
        {"cut at the end", "x=\xE2\x82", TextEncoding::ansi},
        {"UTF-16 LE with its mark", std::string("\xFF\xFEx\0", 4), TextEncoding::utf16le},
        {"UTF-16 BE with its mark", std::string("\xFE\xFF\0x", 4), TextEncoding::utf16be},
    };
    for (const auto& c : cases)
        EXPECT_EQ(detect_encoding(c.bytes.data(), c.bytes.size()), c.expected) << c.name;
}

TEST(Encoding, RefusesBytesThatAreNoTextWithTheirLine) {
    using namespace std::string_literals;
    const struct {
        const char* name;
        std::string bytes;
        const char* problem; // "" when the file loads
    } cases[] = {
        {"UTF-16 LE",
         "\xFF\xFE"
         "a\0=\0\x34\x04\r\0\n\0"s,
         ""},
        {"UTF-16 with a surrogate pair",
         "\xFF\xFE"
         "=\0\x3D\xD8\x00\xDE"s,
         ""},
        {"a zero byte", "a=1\r\nb=\0\r\n"s, "holds a zero byte at line 2"},
        {"a zero byte after CR-only lines", "a\rb\r\0"s, "holds a zero byte at line 3"},
        {"UTF-16 without its mark", "b\0t\0w\0=\0x\0\r\0\n\0"s,
         "is UTF-16 without a byte-order mark"},
        {"a stray byte in marked UTF-8", "\xEF\xBB\xBFok=1\r\ncafe=caf\xE9\r\n"s,
         "is marked as UTF-8 but is not UTF-8 at line 2"},
        {"a zero character in UTF-16", "\xFE\xFF\0a\0\n\0b\0\n\0\0"s,
         "holds a zero byte at line 3"},
        {"a lone surrogate in UTF-16",
         "\xFF\xFE"
         "a\0\x00\xD8"s,
         "is marked as UTF-16 but is not UTF-16 at line 1"},
        {"an odd byte at the end of UTF-16",
         "\xFF\xFE"
         "a\0\n\0b"s,
         "is marked as UTF-16 but is not UTF-16 at line 2"},
    };
    for (const auto& c : cases) {
        const TextEncoding encoding = detect_encoding(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(describe_text_problem(check_text(c.bytes.data(), c.bytes.size(), encoding)),
                  c.problem)
            << c.name;
    }
}

TEST(Encoding, EngineTextShowsAsTheCharactersItTypes) {
    EXPECT_EQ(engine_text_to_utf8("caf\xE9 \x80 {U+4E2D}{u+1f600} {U+D800} {Enter}"),
              "caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD\xF0\x9F\x98\x80 {U+D800} {Enter}");
}

TEST_F(EngineTest, Utf16FilesLoadShowAndPlayLikeUtf8Ones) {
    const std::u16string text = u"; \u4e2d notes\r\ncafe=caf\u00e9 \u4e2d\r\n";
    for (const bool big_endian : {false, true}) {
        std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char16_t unit : text) {
            const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
            bytes += big_endian ? high : low;
            bytes += big_endian ? low : high;
        }
        fresh();
        start(bytes);
        EXPECT_EQ(engine.file.encoding, big_endian ? TextEncoding::utf16be : TextEncoding::utf16le);
        EXPECT_EQ(sim_editor_text(), "; \xE4\xB8\xAD notes\r\ncafe=caf\xC3\xA9 \xE4\xB8\xAD\r\n");
        EXPECT_EQ(sim_status_text(), " Triggers Loaded: 1 ");
        sim_script("type:cafe");
        EXPECT_EQ(sim_log(), "240 keys +08 -08 +08 -08 +08 -08 +08 -08\n"
                             "240 status  Shortcuts Used:  1\n"
                             "240 timer 7772 1\n"
                             "241 keys +43 -43 +41 -41 +46 -46 " // caf
                             "+12 +60 -60 +62 -62 +63 -63 +63 -63 -12 +20 -20 +U4E2D -U4E2D\n"
                             "241 timer 7771 10\n");
    }
}

TEST(Encoding, ReadsUnicodeTokens) {
    const struct {
        const char* text;
        uint32_t code_point, length;
    } cases[] = {
        {"{U+20AC}", 0x20AC, 8}, {"{u+1f600}x", 0x1F600, 9},
        {"{U+41}", 0x41, 6},     {"{U+10FFFF}", 0x10FFFF, 10},
        {"{U+D800}", 0, 0},      {"{U+110000}", 0, 0},
        {"{U+}", 0, 0},          {"{U+0000041}", 0, 0},
        {"{U+20AC", 0, 0},       {"{U+0}", 0, 0},
    };
    for (const auto& c : cases) {
        uint32_t length = 0;
        EXPECT_EQ(parse_unicode_token(c.text, &length), c.code_point) << c.text;
        EXPECT_EQ(length, c.length) << c.text;
    }
}

TEST_F(EngineTest, AUtf8FileLoadsShowsAndPlaysInTheCodePage) {
    const std::string file = "; \xE4\xB8\xAD\xE6\x96\x87 comment\r\n"
                             "cafe=caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD\r\n"
                             "\xE4\xB8\xAD=never\r\n"
                             "btw=by\r\n";
    start(file);
    EXPECT_EQ(engine.file.encoding, TextEncoding::utf8);
    EXPECT_EQ(sim_editor_text(), file);
    EXPECT_EQ(sim_status_text(), " Triggers Loaded: 2, 1 cannot be typed ");
    // e-acute and the euro sign are code-page bytes; the Chinese character is a token.
    sim_script("type:cafe");
    EXPECT_EQ(sim_log(), "240 keys +08 -08 +08 -08 +08 -08 +08 -08\n"
                         "240 status  Shortcuts Used:  1\n"
                         "240 timer 7772 1\n"
                         "241 keys +43 -43 +41 -41 +46 -46 +12 +60 -60 +62 -62 +63 -63 +63 -63 -12 "
                         "+20 -20 +12 +60 -60 +61 -61 +62 -62 +68 -68 -12 +20 -20 +U4E2D -U4E2D\n"
                         "241 timer 7771 10\n");

    fresh();
    start("\xEF\xBB\xBF"
          "btw=by\r\n");
    EXPECT_EQ(engine.file.encoding, TextEncoding::utf8_bom);
    sim_script("type:btw"); // the mark is not part of the first trigger
    EXPECT_EQ(sim_log(), "160 keys +08 -08 +08 -08 +08 -08\n"
                         "160 status  Shortcuts Used:  1\n"
                         "160 timer 7772 1\n"
                         "161 keys +42 -42 +59 -59\n"
                         "161 timer 7771 10\n");

    fresh();
    start("cafe=caf\xE9\r\n"); // ANSI, exactly as before
    EXPECT_EQ(engine.file.encoding, TextEncoding::ansi);
    EXPECT_EQ(sim_editor_text(), "cafe=caf\xC3\xA9\r\n") << "shown as the characters it holds";
    sim_script("type:cafe");
    EXPECT_EQ(sim_log(),
              "240 keys +08 -08 +08 -08 +08 -08 +08 -08\n"
              "240 status  Shortcuts Used:  1\n"
              "240 timer 7772 1\n"
              "241 keys +43 -43 +41 -41 +46 -46 +12 +60 -60 +62 -62 +63 -63 +63 -63 -12\n"
              "241 timer 7771 10\n");
}

TEST_F(EngineTest, TheLongestUtf8TriggerLoads) {
    std::string trigger;
    for (int i = 0; i < 61; ++i)
        trigger += "\xC3\xA9"; // 61 characters, 122 bytes
    start(trigger + "=x\r\n" + trigger + "\xC3\xA9=y\r\n");
    EXPECT_EQ(engine.file.table.count, 1);
    EXPECT_EQ(std::string(engine.file.table.entries[0].lookup_key.data()),
              "\n" + std::string(61, '\xE9') + "=");
}

TEST_F(EngineTest, UnicodeTokensAndTheMarkerTypeUnicodeKeyEvents) {
    const struct {
        const char* triggers; // the first line's output plays
        const char* keys;
    } cases[] = {
        {"x={U+20AC}", "+U20AC -U20AC"},
        {"x={u+1F600}", "+UD83D -UD83D +UDE00 -UDE00"},
        // Not characters: typed as the text they are.
        {"x={U+D800}",
         "+10 +DB -DB -10 +10 +55 -55 -10 +10 +BB -BB -10 +10 +44 -44 -10 +38 -38 +30 "
         "-30 +30 -30 +10 +DD -DD -10"},
        {"x={U+110000}", "+10 +DB -DB -10 +10 +55 -55 -10 +10 +BB -BB -10 +31 -31 +31 -31 +30 -30 "
                         "+30 -30 +30 -30 +30 -30 +10 +DD -DD -10"},
        {"x=\xE9", "+12 +60 -60 +62 -62 +63 -63 +63 -63 -12"}, // Alt+0233 without the marker
        {"x=\xE9\r\n; Quillomat_UNICODE", "+U00E9 -U00E9"},    // with it
        {"x=\x80\r\n; Quillomat_UNICODE", "+U20AC -U20AC"},    // the code page's euro
        {"x=a\r\n; Quillomat_UNICODE", "+41 -41"},             // keys the layout has stay keys
    };
    for (const auto& c : cases) {
        fresh();
        EXPECT_EQ(run(std::string(c.triggers) + "\r\n", "type:x"), "10 keys +08 -08\n"
                                                                   "10 status  Shortcuts Used:  1\n"
                                                                   "10 timer 7772 1\n"
                                                                   "11 keys " +
                                                                       std::string(c.keys) +
                                                                       "\n"
                                                                       "11 timer 7771 10\n")
            << c.triggers;
    }
}
