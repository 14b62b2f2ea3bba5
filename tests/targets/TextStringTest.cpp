#include "targets/TextString.h"
#include "setup/SetupRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

TEST(TextString, FormatCount) {
    struct Row {
        std::int32_t value;
        const char* text;
    } rows[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1,000"},
        {123456, "123,456"},
        {1234567, "1,234,567"},
        {999999999, "999,999,999"},
        {1000000000, "1000000000"},
        {-1234, "-1,234"},
        {-999, "-999"},
        {-1000000, "-1,000,000"},
        {-999999999, "-999,999,999"},
        {INT32_MIN, "-2147483648"},
        {INT32_MAX, "2147483647"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Narrow8(CTextString::FormatCount(r.value)), r.text) << r.value;
}

TEST(TextString, PacketBytesAreOneBytePerCharacter) {
    std::u16string all;
    for (char16_t c = 1; c <= 0xFF; ++c)
        all += c;
    EXPECT_EQ(CTextString::ToWide(CTextString::ToNarrow(all)), all);
    EXPECT_EQ(CTextString::ToNarrow(u"A\u00E9\u20AC"), "A\xE9\xAC");
    EXPECT_EQ(CTextString::ToWide(std::string("\x00\xFF", 2)), std::u16string(u"\u0000\u00FF", 2));
}

// Titles and file names stored in the record as the operator wrote them, in any script.
TEST(TextString, FieldsHoldTextInAnyScript) {
    const std::u16string texts[] = {u"\u041E\u0442\u0447\u0451\u0442", // Cyrillic
                                    u"\u6E2C\u5B9A\u8A18\u9332.csv",   // CJK
                                    u"Line \U0001F4CF 3",              // outside the BMP
                                    u"B\u00FCro - Calc", u""};
    for (const std::u16string& text : texts) {
        char field[101];
        std::memset(field, 'x', sizeof field);
        CTextString::ToField(text, field);
        EXPECT_EQ(CTextString::FromField(field), text);
        const std::size_t n = std::strlen(field);
        EXPECT_TRUE(std::all_of(field + n, field + sizeof field, [](char c) { return c == 0; }))
            << "the rest of the field is cleared";
    }
    char field[101];
    CTextString::ToField(u"\u041E\u0442\u0447\u0451\u0442", field);
    EXPECT_STREQ(field, "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82") << "UTF-8";
    CTextString::ToField(std::u16string(u"a\xD800"
                                        u"b",
                                        3),
                         field);
    EXPECT_EQ(CTextString::FromField(field), u"a\uFFFDb") << "a lone surrogate";
}

// A text longer than the field keeps the whole characters that fit in its size less one byte.
TEST(TextString, LongTextIsCutAtACharacterBoundary) {
    const std::u16string x96(96, u'x');
    struct Row {
        std::u16string text, stored;
    } rows[] = {
        {std::u16string(150, u'a'), std::u16string(100, u'a')},
        {x96 + u"xxx\u0416", x96 + u"xxx"},         // 2 bytes, 1 left
        {x96 + u"x\U0001F600", x96 + u"x"},         // 4 bytes, 3 left
        {x96 + u"\U0001F600", x96 + u"\U0001F600"}, // exactly full
        {std::u16string(40, u'\u0416'), std::u16string(40, u'\u0416')},
        {std::u16string(51, u'\u0416'), std::u16string(50, u'\u0416')},
        {std::u16string(34, u'\u6E2C'), std::u16string(33, u'\u6E2C')}, // 99 of 100 bytes
    };
    for (const Row& r : rows) {
        char field[101];
        CTextString::ToField(r.text, field);
        EXPECT_EQ(field[100], '\0');
        EXPECT_EQ(CTextString::FromField(field), r.stored) << std::strlen(field);
    }
}

// Bytes that are not well-formed UTF-8 come from elsewhere (Latin-1 of earlier setups): each
// byte is its own character, so such a title still matches what it matched before.
TEST(TextString, FieldThatIsNotUtf8IsReadAsLatin1) {
    const char* const rows[] = {
        "B\xFCro",              // Latin-1
        "\xC0\xAF",             // overlong '/'
        "\xE0\x80\xAF",         // overlong '/' in three bytes
        "\xED\xA0\x80",         // a surrogate
        "\xF4\x90\x80\x80",     // above U+10FFFF
        "ab\xD0",               // cut short
        "\x9E\xD1",             // a stray continuation byte
        "\xF8\x88\x80\x80\x80", // five bytes
    };
    for (const char* bytes : rows) {
        char field[101] = {};
        std::strcpy(field, bytes);
        EXPECT_EQ(CTextString::FromField(field), CTextString::ToWide(std::string(bytes))) << bytes;
    }
}

// A damaged setup may lack a field's zero byte: the field ends at its size, never in the next one.
TEST(TextString, FieldWithoutItsZeroByteEndsAtItsSize) {
    SetupRecords records;
    records.SetDefaults();
    SetupRecord& s = records.Setup;
    std::memset(s.TargetAppTitle, 'T', sizeof s.TargetAppTitle);
    std::strcpy(s.TargetFilePath, "/home/op/readings.csv");
    EXPECT_EQ(CTextString::FromField(s.TargetAppTitle), std::u16string(101, u'T'));
    // UTF-8 that fills the field entirely, and one cut by the field's end (read as bytes).
    for (std::size_t i = 0; i + 1 < sizeof s.TargetFileName; i += 2)
        std::memcpy(s.TargetFileName + i, "\xD0\x96", 2);
    s.TargetFileName[300] = 'z';
    s.DateOrder = 'q';
    EXPECT_EQ(CTextString::FromField(s.TargetFileName), std::u16string(150, u'\u0416') + u"z");
    s.TargetFileName[300] = '\xD0';
    EXPECT_EQ(CTextString::FromField(s.TargetFileName).size(), 301u);
}

} // namespace
