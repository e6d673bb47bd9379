#include "keys/key_tokens.h"
#include "keys/synthesis.h"
#include "platform/sim/sim.h"

#include <gtest/gtest.h>

namespace {
std::string typed(const char* text) {
    sim_reset();
    for (const char* p = text; *p; ++p)
        type_char(*p, false);
    return sim_key_transcript();
}
} // namespace

TEST(TypeChar, TypesThroughTheLayoutAddingShiftOnlyWhereNeeded) {
    EXPECT_EQ(typed("a"), "+41 -41");
    EXPECT_EQ(typed("A"), "+10 +41 -41 -10");
    EXPECT_EQ(typed("!"), "+10 +31 -31 -10");
    EXPECT_EQ(typed("1 "), "+31 -31 +20 -20");
    EXPECT_EQ(typed("~"), "+10 +C0 -C0 -10");
}

TEST(TypeChar, ShiftPressesAroundAnyModifiedKeyAndControlCharactersGetShiftOnly) {
    // "\n" is Ctrl+Enter on the layout; only Shift is ever pressed by this path.
    EXPECT_EQ(typed("\n"), "+10 +0D -0D -10");
}

TEST(TypeChar, BytesAboveAsciiGoThroughAltAndTheKeypadWithTheirOwnCode) {
    sim_reset();
    type_char('\xE9', false);
    EXPECT_EQ(sim_key_transcript(), "+12 +60 -60 +62 -62 +63 -63 +63 -63 -12");
    // Alt is sent with scan code 0; the keypad digits with their own.
    EXPECT_EQ(sim_key_events().front().scan_code, 0);
    EXPECT_EQ(sim_key_events().back().scan_code, 0);
    EXPECT_EQ(sim_key_events()[1].scan_code, 0x52);
    EXPECT_EQ(typed("\x80"), "+12 +60 -60 +61 -61 +62 -62 +68 -68 -12");
    EXPECT_EQ(typed("\xFF"), "+12 +60 -60 +62 -62 +65 -65 +65 -65 -12");
}

TEST(TypeChar, DropsWhatNeitherTheLayoutNorTheAltTableCanType) {
    EXPECT_EQ(typed("\x81"), "");
    EXPECT_EQ(typed("\x8D"), ""); // its row holds a space, which never reaches the table
}

TEST(AltCodes, TheTableCoversPunctuationAndTheUpperHalf) {
    int rows = 0;
    while (alt_codes[rows].code != 0)
        ++rows;
    EXPECT_EQ(rows, alt_code_count);
    EXPECT_EQ(alt_codes[0].code, 33);
    EXPECT_EQ(alt_codes[0].character, 33);
    EXPECT_EQ(alt_codes[32].code, 128);
    EXPECT_EQ(alt_codes[32].character, -128);
    EXPECT_EQ(alt_codes[33].code, 130);
}

TEST(TypeChar, CtrlTokensAroundALetterGiveCtrlC) {
    sim_reset();
    uint32_t length;
    int mode;
    {
        const uint8_t vk = parse_key_token("{CtrlDown}", &length, &mode);
        play_key_token(vk, mode);
    }
    type_char('c', false);
    {
        const uint8_t vk = parse_key_token("{CtrlUp}", &length, &mode);
        play_key_token(vk, mode);
    }
    EXPECT_EQ(sim_key_transcript(), "+11e +43 -43 -11e");
}
