// The conversions between Windows-1252 and UTF-8.
#include "common/windows_1252.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace binario {
namespace {

TEST(TextEncoding, Windows1252BecomesUtf8ByteByByte) {
    EXPECT_EQ(windows_1252_to_utf8("Torre Alta"), "Torre Alta");
    EXPECT_EQ(windows_1252_to_utf8("caff\xE8"), "caff\xC3\xA8");
    EXPECT_EQ(windows_1252_to_utf8("\x80\x81\x9F\xA0\xFF"),
              "\xE2\x82\xAC\xC2\x81\xC5\xB8\xC2\xA0\xC3\xBF");
}

TEST(TextEncoding, Utf8IsKeptAndOtherBytesAreReadAsWindows1252) {
    EXPECT_EQ(as_utf8("plain"), "plain");
    EXPECT_EQ(as_utf8("Citt\xC3\xA0 \xE2\x82\xAC"), "Citt\xC3\xA0 \xE2\x82\xAC");
    EXPECT_EQ(as_utf8("Citt\xE0"), "Citt\xC3\xA0");
    EXPECT_EQ(as_utf8("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");  // euro sign, Y with diaeresis
    EXPECT_EQ(as_utf8("\x81"), "\xC2\x81");  // undefined in the code page: kept as U+0081
    // Cut-short, overlong and surrogate sequences are not UTF-8.
    EXPECT_EQ(as_utf8("\xC3"), "\xC3\x83");
    EXPECT_EQ(as_utf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");
    EXPECT_EQ(as_utf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");
}

TEST(TextEncoding, EveryByteSurvivesTheWayToUtf8AndBack) {
    std::string tutti;
    for (int b = 0; b < 256; ++b) tutti.push_back(static_cast<char>(b));
    const std::string utf8 = as_utf8(tutti);
    EXPECT_NE(utf8, tutti);
    EXPECT_EQ(utf8_to_windows_1252(utf8), tutti);
}

TEST(TextEncoding, NamesTypedInUtf8BecomeWindows1252) {
    EXPECT_EQ(utf8_to_windows_1252("A 1"), "A 1");
    EXPECT_EQ(utf8_to_windows_1252("Citt\xC3\xA0 \xE2\x82\xAC"), "Citt\xE0 \x80");
    EXPECT_EQ(utf8_to_windows_1252("X\xE2\x86\x92"), std::nullopt);  // an arrow has no byte
    EXPECT_EQ(utf8_to_windows_1252("Citt\xE0"), "Citt\xE0");         // single-byte already
}

TEST(TextEncoding, FilesReadAsUtf8AreValidUtf8BeyondAscii) {
    EXPECT_FALSE(reads_as_utf8(""));
    EXPECT_FALSE(reads_as_utf8("plain ASCII"));
    EXPECT_FALSE(reads_as_utf8("Citt\xE0"));
    EXPECT_FALSE(reads_as_utf8("Citt\xC3\xA0 caff\xE8"));  // one byte that is not UTF-8
    EXPECT_TRUE(reads_as_utf8("Citt\xC3\xA0"));
    EXPECT_TRUE(reads_as_utf8("\xEF\xBB\xBFplain"));
}

// One byte per character, so that offsets count the characters of the original;
// the byte-order mark goes, and what the code page cannot hold is a listed "?".
TEST(TextEncoding, Utf8FilesBecomeWindows1252CharacterByCharacter) {
    const utf8_as_windows_1252 c = utf8_text_to_windows_1252(
        "\xEF\xBB\xBF"
        "a\xC3\xA0\r\n\xE2\x86\x92\xE2\x82\xAC\xF0\x9D\x84\x9E");
    EXPECT_TRUE(c.byte_order_mark);
    EXPECT_EQ(c.text, "a\xE0\r\n?\x80?");
    ASSERT_TRUE(c.first_beyond_ascii);
    EXPECT_EQ(*c.first_beyond_ascii, 1u);
    ASSERT_EQ(c.unheld.size(), 2u);
    EXPECT_EQ(c.unheld[0].offset, 4u);
    EXPECT_EQ(c.unheld[0].code_point, U'\u2192');
    EXPECT_EQ(c.unheld[1].offset, 6u);
    EXPECT_EQ(c.unheld[1].code_point, U'\U0001D11E');
    EXPECT_FALSE(utf8_text_to_windows_1252("\xEF\xBB\xBFx").first_beyond_ascii);
}

}  // namespace
}  // namespace binario
