#include "common/memory.h"
#include "common/packed_text.h"
#include "tools/packer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {
// Unpacks with the packed length the program passes: the text's string length.
std::string unpack(const std::string& packed, bool* ok = nullptr) {
    int32_t length = static_cast<int32_t>(packed.size());
    HeapText text(unpack_text(packed.data(), &length));
    if (ok) *ok = text != nullptr;
    if (!text) return "<none>";
    EXPECT_EQ(text.get()[length], '\0');
    return std::string(text.get(), static_cast<std::size_t>(length));
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}
} // namespace

TEST(UnpackText, AppliesTheTableFromTheLastEntryToTheFirst) {
    EXPECT_EQ(unpack("001plain body"), "plain body");
    EXPECT_EQ(unpack("012#abx#y#"), "xabyab");
    EXPECT_EQ(unpack("022#ab%#c%%"), "abcabc"); // "%%" -> "#c#c" -> "abcabc"
    EXPECT_EQ(unpack("0A1"
                     "a1b2c3d4e5f6g7h8i9j0"
                     "abcdefghij"),
              "1234567890");
    EXPECT_EQ(unpack("0a1"
                     "a1b2c3d4e5f6g7h8i9j0"
                     "abcdefghij"),
              "1234567890");
    EXPECT_EQ(unpack("0z1"
                     "xyz"),
              "xyz"); // a non-hexadecimal digit counts as 0: N = 0
}

TEST(UnpackText, RefusesAbsentAndMalformedTexts) {
    int32_t length = 0;
    EXPECT_EQ(unpack_text("001x", &length), nullptr);
    length = 4;
    EXPECT_EQ(unpack_text(nullptr, &length), nullptr);
    EXPECT_EQ(unpack_text("001x", nullptr), nullptr);
    bool ok = true;
    unpack("05", &ok); // shorter than the header
    EXPECT_FALSE(ok);
    unpack("0F2#ab", &ok); // table runs past the end
    EXPECT_FALSE(ok);
    unpack("010#x", &ok); // width 0
    EXPECT_FALSE(ok);
}

TEST(UnpackText, RefusesATextThatWouldOverflowItsBlock) {
    // Each pass doubles the text: 8 doublings of 16 KiB exceed the 4 MiB block.
    std::string packed = "0F2";
    const char codes[] = "ABCDEFGHIJKLMNO";
    for (int k = 0; k < 15; ++k) {
        packed += codes[k];
        packed += k == 0 ? 'x' : codes[k - 1];
        packed += k == 0 ? 'x' : codes[k - 1];
    }
    packed += std::string(16 * 1024, 'O');
    bool ok = true;
    unpack(packed, &ok);
    EXPECT_FALSE(ok);
}

TEST(PackText, RoundTripsRandomTextsWithoutZeroBytes) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 120; ++round) {
        const std::size_t length = random() % 3000;
        const int alphabet = 2 + static_cast<int>(random() % 254);
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += static_cast<char>(1 + random() % alphabet);
        const std::string packed = pack_text(text);
        ASSERT_EQ(packed.find('\0'), std::string::npos);
        ASSERT_EQ(unpack(packed), text) << "round " << round;
    }
}

TEST(BuiltinTexts, UnpackToTheirSourcesByteForByteAndReallyCompress) {
    const std::string source = read_file(QUILLOMAT_SOURCE_DIR "/resources/default_triggers.txt");
    ASSERT_GT(source.size(), 1000u);
    const std::string packed = pack_text(source);
    EXPECT_LT(packed.size(), source.size() * 3 / 4);
    EXPECT_EQ(unpack(packed), source);
}
