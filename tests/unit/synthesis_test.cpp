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

// Through the layout, with Shift only where needed (and only Shift: "\n" is
// Ctrl+Enter on the layout); bytes above ASCII by Alt and their code on the
// keypad; what neither can type is dropped.
TEST(TypeChar, TypesThroughTheLayoutOrByAltCode) {
    const struct {
        const char* text;
        const char* transcript;
    } cases[] = {
        {"a", "+41 -41"},
        {"A", "+10 +41 -41 -10"},
        {"!", "+10 +31 -31 -10"},
        {"1 ", "+31 -31 +20 -20"},
        {"~", "+10 +C0 -C0 -10"},
        {"\n", "+10 +0D -0D -10"},
        {"\xE9", "+12 +60 -60 +62 -62 +63 -63 +63 -63 -12"},
        {"\x80", "+12 +60 -60 +61 -61 +62 -62 +68 -68 -12"},
        {"\xFF", "+12 +60 -60 +62 -62 +65 -65 +65 -65 -12"},
        {"\x81", ""},
        {"\x8D", ""}, // its row holds a space, which never reaches the table
    };
    for (const auto& c : cases)
        EXPECT_EQ(typed(c.text), c.transcript) << c.text;
}

TEST(TypeChar, AltGoesWithScanCodeZeroAndTheKeypadDigitsWithTheirOwn) {
    typed("\xE9");
    EXPECT_EQ(sim_key_events().front().scan_code, 0);
    EXPECT_EQ(sim_key_events().back().scan_code, 0);
    EXPECT_EQ(sim_key_events()[1].scan_code, 0x52);
}
