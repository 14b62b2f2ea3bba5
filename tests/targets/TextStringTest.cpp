#include "targets/TextString.h"

#include <gtest/gtest.h>

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

TEST(TextString, ToNarrowLimitsAndLowBits) {
    char dest[200];
    std::memset(dest, 'x', sizeof dest);
    CTextString::ToNarrow(std::u16string(150, u'a'), 100, dest);
    EXPECT_EQ(std::strlen(dest), 100u);
    CTextString::ToNarrow(std::u16string(150, u'a'), 0, dest);
    EXPECT_EQ(std::strlen(dest), 150u);
    CTextString::ToNarrow(u"A\u00E9\u20AC", 0, dest);
    EXPECT_EQ(std::string(dest), "A\xE9\xAC");
    CTextString::ToNarrow(u"", 0, dest);
    EXPECT_EQ(dest[0], '\0');
}

TEST(TextString, RoundTripKeepsLatin1AndCutsTheRest) {
    std::u16string all;
    for (char16_t c = 1; c <= 0xFF; ++c)
        all += c;
    char dest[300];
    CTextString::ToNarrow(all, 0, dest);
    EXPECT_EQ(CTextString::ToWide(dest), all);
    CTextString::ToNarrow(u"\u2013\u0141", 0, dest);
    EXPECT_EQ(CTextString::ToWide(dest), u"\u0013\u0041");
    EXPECT_EQ(CTextString::ToWide(""), u"");
}

} // namespace
