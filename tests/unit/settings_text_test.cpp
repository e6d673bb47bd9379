// The settings file read as the profile calls read it, and changed whole.
#include "common/settings_text.h"

#include <gtest/gtest.h>

TEST(SettingsText, ReadsKeysAsTheProfileCallsDo) {
    const SettingsText s = parse_settings("; note\r\n[Other]\r\ntray=5\r\n[quillomat settings]\n"
                                          "  Tray = 0 \r\nfont=\"Courier New,10\"\rempty=\n"
                                          "[Quillomat Settings]\r\ntray=7\r\n");
    const char* section = "Quillomat Settings";
    EXPECT_EQ(settings_value(s, section, "TRAY"), "0"); // the first section of the name
    EXPECT_EQ(settings_value(s, section, "font"), "Courier New,10");
    EXPECT_EQ(settings_value(s, section, "empty"), "");
    EXPECT_EQ(settings_value(s, section, "missing"), std::nullopt);
    EXPECT_EQ(settings_value(s, "Other", "tray"), "5");
}

TEST(SettingsText, ChangesKeepEveryOtherLine) {
    SettingsText s =
        parse_settings("; kept\r\n[Quillomat Settings]\r\ntray=1\r\n\r\n[Other]\r\nx=1");
    set_settings_value(s, "Quillomat Settings", "tray", "0");
    set_settings_value(s, "Quillomat Settings", "font", "Arial,12");
    set_settings_value(s, "New", "a", "b");
    remove_settings_value(s, "Other", "x");
    EXPECT_EQ(settings_to_text(s), "; kept\r\n[Quillomat Settings]\r\ntray=0\r\nfont=Arial,12\r\n"
                                   "\r\n[Other]\r\n[New]\r\na=b\r\n");
    SettingsText none;
    set_settings_value(none, "Quillomat Settings", "file", "C:\\x.txt");
    EXPECT_EQ(settings_to_text(none), "[Quillomat Settings]\r\nfile=C:\\x.txt\r\n");
}

TEST(SettingsText, TellsAFileCutShortFromOneThatEndsWithoutALineEnd) {
    const struct {
        const char* text;
        const char* cut; // the incomplete line, or null
    } cases[] = {
        {"[Quillomat Settings]\r\ntray=1\r\n", nullptr},
        {"[Quillomat Settings]\r\ntray=1", nullptr},
        {"[Quillomat Settings]", nullptr},
        {"", nullptr},
        {"[Quillomat Settings]\r\nwindow_wi", "window_wi"},
        {"[Quillomat Sett", "[Quillomat Sett"},
    };
    for (const auto& c : cases) {
        const auto cut = cut_short_line(c.text);
        EXPECT_EQ(cut.has_value(), c.cut != nullptr) << c.text;
        EXPECT_EQ(cut.value_or(""), c.cut ? c.cut : "") << c.text;
    }
}
