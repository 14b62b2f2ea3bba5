#include "targets/KeyTable.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

struct Row {
    char16_t c;
    std::uint16_t scan;
    bool shift;
};

// Every character that has a key, by its key on the US keyboard (scan code set 1).
const Row UsKeys[] = {
    // control characters
    {u'\b', 0x0E, false},
    {u'\t', 0x0F, false},
    {u'\r', 0x1C, false},
    {u'\x1B', 0x01, false},
    {u' ', 0x39, false},
    // number row
    {u'1', 0x02, false},
    {u'2', 0x03, false},
    {u'3', 0x04, false},
    {u'4', 0x05, false},
    {u'5', 0x06, false},
    {u'6', 0x07, false},
    {u'7', 0x08, false},
    {u'8', 0x09, false},
    {u'9', 0x0A, false},
    {u'0', 0x0B, false},
    {u'-', 0x0C, false},
    {u'=', 0x0D, false},
    {u'!', 0x02, true},
    {u'@', 0x03, true},
    {u'#', 0x04, true},
    {u'$', 0x05, true},
    {u'%', 0x06, true},
    {u'^', 0x07, true},
    {u'&', 0x08, true},
    {u'*', 0x09, true},
    {u'(', 0x0A, true},
    {u')', 0x0B, true},
    {u'_', 0x0C, true},
    {u'+', 0x0D, true},
    // top letter row
    {u'q', 0x10, false},
    {u'w', 0x11, false},
    {u'e', 0x12, false},
    {u'r', 0x13, false},
    {u't', 0x14, false},
    {u'y', 0x15, false},
    {u'u', 0x16, false},
    {u'i', 0x17, false},
    {u'o', 0x18, false},
    {u'p', 0x19, false},
    {u'[', 0x1A, false},
    {u']', 0x1B, false},
    {u'Q', 0x10, true},
    {u'W', 0x11, true},
    {u'E', 0x12, true},
    {u'R', 0x13, true},
    {u'T', 0x14, true},
    {u'Y', 0x15, true},
    {u'U', 0x16, true},
    {u'I', 0x17, true},
    {u'O', 0x18, true},
    {u'P', 0x19, true},
    {u'{', 0x1A, true},
    {u'}', 0x1B, true},
    // middle letter row
    {u'a', 0x1E, false},
    {u's', 0x1F, false},
    {u'd', 0x20, false},
    {u'f', 0x21, false},
    {u'g', 0x22, false},
    {u'h', 0x23, false},
    {u'j', 0x24, false},
    {u'k', 0x25, false},
    {u'l', 0x26, false},
    {u';', 0x27, false},
    {u'\'', 0x28, false},
    {u'`', 0x29, false},
    {u'A', 0x1E, true},
    {u'S', 0x1F, true},
    {u'D', 0x20, true},
    {u'F', 0x21, true},
    {u'G', 0x22, true},
    {u'H', 0x23, true},
    {u'J', 0x24, true},
    {u'K', 0x25, true},
    {u'L', 0x26, true},
    {u':', 0x27, true},
    {u'"', 0x28, true},
    {u'~', 0x29, true},
    // bottom letter row
    {u'\\', 0x2B, false},
    {u'z', 0x2C, false},
    {u'x', 0x2D, false},
    {u'c', 0x2E, false},
    {u'v', 0x2F, false},
    {u'b', 0x30, false},
    {u'n', 0x31, false},
    {u'm', 0x32, false},
    {u',', 0x33, false},
    {u'.', 0x34, false},
    {u'/', 0x35, false},
    {u'|', 0x2B, true},
    {u'Z', 0x2C, true},
    {u'X', 0x2D, true},
    {u'C', 0x2E, true},
    {u'V', 0x2F, true},
    {u'B', 0x30, true},
    {u'N', 0x31, true},
    {u'M', 0x32, true},
    {u'<', 0x33, true},
    {u'>', 0x34, true},
    {u'?', 0x35, true},
};

std::string Name(char16_t c) {
    return "U+" + std::to_string(static_cast<int>(c));
}

TEST(KeyTableTest, EveryTypeableCharacterHasItsUsKeyAndShift) {
    for (const Row& row : UsKeys) {
        const auto key = CKeyTable::Lookup(row.c);
        ASSERT_TRUE(key.has_value()) << Name(row.c);
        EXPECT_EQ(key->ScanCode, row.scan) << Name(row.c);
        EXPECT_EQ(key->Shift, row.shift) << Name(row.c);
    }
}

TEST(KeyTableTest, ExactlyTheNinetyNineListedCharactersHaveKeys) {
    std::map<char16_t, Row> listed;
    for (const Row& row : UsKeys)
        listed.emplace(row.c, row);
    ASSERT_EQ(listed.size(), 99u);
    ASSERT_EQ(CKeyTable::Size, 99);
    int withKey = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const auto key = CKeyTable::Lookup(static_cast<char16_t>(c));
        EXPECT_EQ(key.has_value(), listed.count(static_cast<char16_t>(c)) == 1)
            << Name(static_cast<char16_t>(c));
        withKey += key.has_value() ? 1 : 0;
    }
    EXPECT_EQ(withKey, 99);
}

TEST(KeyTableTest, ShiftIsNeededForCapitalsAndTwentyOneOthers) {
    const std::u16string shiftedOthers = u"!\"#$%&()*+:<>?@^_{|}~";
    ASSERT_EQ(shiftedOthers.size(), 21u);
    for (char16_t c = 0x20; c <= 0x7E; ++c) {
        const bool capital = c >= u'A' && c <= u'Z';
        const bool other = shiftedOthers.find(c) != std::u16string::npos;
        EXPECT_EQ(CKeyTable::Lookup(c)->Shift, capital || other) << Name(c);
    }
}

TEST(KeyTableTest, CharactersWithoutAKeyAreNotFound) {
    for (const char16_t c : {u'\0', u'\n', u'\x7F', u'\x80', u'\xA0', u'\xE9', u'\xC9', u'\x20AC',
                             u'\xFFFF', u'\x01', u'\x1F', u'\f', u'\v'})
        EXPECT_FALSE(CKeyTable::Lookup(c).has_value()) << Name(c);
}

} // namespace
