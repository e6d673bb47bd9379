#include "keys/key_tokens.h"
#include "keys/synthesis.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"

#include <gtest/gtest.h>

#include <string>

TEST(ParseKeyToken, RecognisesWholeNamesWithoutRegardToCase) {
    struct Case {
        const char* text;
        uint8_t vk;
        uint32_t length;
        int mode;
    } cases[] = {
        {"{enter}", 0x0D, 7, press_and_release},
        {"{ENTER}x", 0x0D, 7, press_and_release},
        {"{CtrlDown}", 0x11, 10, press_only},
        {"{controldown}", 0x11, 13, press_only},
        {"{Control}", 0x11, 9, release_only},
        {"{ctrlup}", 0x11, 8, release_only},
        {"{Shift}", 0x10, 7, release_only},
        {"{AltDown}", 0x12, 9, press_only},
        {"{Down}", 0x28, 6, press_and_release},
        {"{WinKeyDown}", 0x5B, 12, press_and_release},
        {"{PgDn}", 0x22, 6, press_and_release},
        {"{PageDown}", 0x22, 10, press_and_release},
        {"{F12}", 0x7B, 5, press_and_release},
        {"{xbutton1}", 0x05, 10, press_and_release},
        {"{Enter 3}", 0, 0, 0},
        {"{Ent}", 0, 0, 0},
        {"{Enter", 0, 0, 0},
        {"{Foo}", 0, 0, 0},
        {"Enter}", 0, 0, 0},
        {"", 0, 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t length = 99;
        int mode = 99;
        EXPECT_EQ(parse_key_token(c.text, &length, &mode), c.vk) << c.text;
        EXPECT_EQ(length, c.length) << c.text;
        EXPECT_EQ(mode, c.mode) << c.text;
    }
    EXPECT_EQ(parse_key_token(nullptr, nullptr, nullptr), 0);
}

TEST(PlayKeyToken, SendsPressAndReleaseWithTheExtendedFlagOnlyForExtendedKeys) {
    struct Case {
        const char* token;
        const char* transcript;
    } cases[] = {
        {"{Enter}", "+0D -0D"},    {"{CtrlDown}", "+11e"},        {"{Control}", "-11e"},
        {"{Down}", "+28e -28e"},   {"{WinKeyDown}", "+5Be -5Be"}, {"{PgDn}", "+22e -22e"},
        {"{Num/}", "+6F -6F"},     {"{ShiftDown}", "+10"},        {"{Delete}", "+2Ee -2Ee"},
        {"{AppKey}", "+5De -5De"},
    };
    for (const Case& c : cases) {
        sim_reset();
        uint32_t length;
        int mode;
        {
            const uint8_t vk = parse_key_token(c.token, &length, &mode);
            play_key_token(vk, mode);
        }
        EXPECT_EQ(sim_key_transcript(), c.transcript) << c.token;
        for (const SimKeyEvent& e : sim_key_events())
            EXPECT_EQ(e.scan_code, key_scan_code(e.vk)) << c.token;
    }
}
