#include "common/memory.h"
#include "common/text.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(FindNocase, FoldsOnlyAsciiLettersAndRejectsAbsentTexts) {
    const char* text = "Say {ENTER} now";
    EXPECT_EQ(find_nocase(text, "{enter}"), text + 4);
    EXPECT_EQ(find_nocase(text, "NOW"), text + 12);
    EXPECT_EQ(find_nocase(text, "nowx"), nullptr);
    EXPECT_EQ(find_nocase("caf\xC9", "caf\xE9"), nullptr); // bytes above ASCII must be equal
    EXPECT_EQ(find_nocase("[", "{"), nullptr);             // 0x5B and 0x7B are no letters
    EXPECT_EQ(find_nocase(static_cast<const char*>(nullptr), "a"), nullptr);
    EXPECT_EQ(find_nocase("a", nullptr), nullptr);
    EXPECT_EQ(find_nocase("", "a"), nullptr);
    EXPECT_EQ(find_nocase("a", ""), nullptr);
}

TEST(ParseDecimal, ReadsTheFirstRunOfDigits) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"500}", 500}, {"=500}", 500}, {"x-12,", -12},    {"-7", -7},
        {"7-", 7},     {"ab", 0},      {"", 0},           {"right 100,50", 100},
        {"00}", 0},    {"- 5", 5},     {"4294967297", 1}, // wraps, never traps
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse_decimal(c.text), c.value) << c.text;
    EXPECT_EQ(parse_decimal(nullptr), 0);
}

TEST(FormatDecimal, WritesSignedValues) {
    char out[16];
    EXPECT_STREQ(format_decimal(0, out, sizeof out), "0");
    EXPECT_STREQ(format_decimal(-42, out, sizeof out), "-42");
    EXPECT_STREQ(format_decimal(INT32_MIN, out, sizeof out), "-2147483648");
    EXPECT_STREQ(format_decimal(2147483647, out, sizeof out), "2147483647");
    char small[4];
    EXPECT_STREQ(format_decimal(12345, small, sizeof small), "123"); // cut, still terminated
}

TEST(BoundedCopy, NeverWritesPastTheDestination) {
    char dest[8];
    std::memset(dest, 'x', sizeof dest);
    EXPECT_EQ(copy_bounded(dest, 5, "abcdefgh"), 4u);
    EXPECT_STREQ(dest, "abcd");
    EXPECT_EQ(dest[5], 'x');
    EXPECT_EQ(append_bounded(dest, 6, "zz"), 1u);
    EXPECT_STREQ(dest, "abcdz");
    EXPECT_EQ(length_bounded("abc", 2), 2u);
}

TEST(Memory, BlocksAreZeroFilledAndKnowTheirSize) {
    HeapText block = alloc_text(100);
    ASSERT_TRUE(block);
    EXPECT_EQ(mem_size(block.get()), 100u);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(block.get()[i], 0);
    EXPECT_EQ(mem_alloc(static_cast<std::size_t>(-1)), nullptr);
    mem_free(nullptr);
}

TEST(WithExtension, ReplacesOnlyTheExtensionOfTheFileName) {
    const struct {
        const char *path, *result;
    } cases[] = {
        {"C:\\Tools\\quillomat.exe", "C:\\Tools\\quillomat.ini"},
        {"C:\\tools.exe.d\\quillomat.exe", "C:\\tools.exe.d\\quillomat.ini"},
        {"C:\\a.ini\\QUILLOMAT.EXE", "C:\\a.ini\\QUILLOMAT.ini"},
        {"C:\\v1.2\\quillomat", "C:\\v1.2\\quillomat.ini"},
        {"/home/ann/.q/prog", "/home/ann/.q/prog.ini"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(with_extension(c.path, ".ini"), c.result) << c.path;
}
