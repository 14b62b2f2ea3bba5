#include "targets/KeyTable.h"

#include <array>
#include <string_view>

namespace {

// One run of neighbouring keys: the characters typed without and with Shift, from the first
// key's scan code upwards.
struct KeyRun {
    std::uint16_t firstScanCode;
    std::string_view plain;
    std::string_view shifted;
};

constexpr KeyRun UsLayout[] = {
    {0x02, "1234567890-=", "!@#$%^&*()_+"}, // number row
    {0x10, "qwertyuiop[]", "QWERTYUIOP{}"}, {0x1E, "asdfghjkl;'`", "ASDFGHJKL:\"~"},
    {0x2B, "\\zxcvbnm,./", "|ZXCVBNM<>?"},  {0x39, " ", ""},
};

struct ControlKey {
    char16_t c;
    std::uint16_t scanCode;
};

constexpr ControlKey ControlKeys[] = {
    {u'\b', 0x0E}, // backspace
    {u'\t', 0x0F},
    {u'\r', 0x1C}, // the main Enter key
    {u'\x1B', 0x01},
};

using Table = std::array<std::optional<KeyStroke>, 128>;

constexpr Table BuildTable() {
    Table table{};
    for (const KeyRun& run : UsLayout) {
        for (std::size_t i = 0; i < run.plain.size(); ++i) {
            const auto scan = static_cast<std::uint16_t>(run.firstScanCode + i);
            table[static_cast<unsigned char>(run.plain[i])] = KeyStroke{scan, false};
            if (i < run.shifted.size())
                table[static_cast<unsigned char>(run.shifted[i])] = KeyStroke{scan, true};
        }
    }
    for (const ControlKey& key : ControlKeys)
        table[key.c] = KeyStroke{key.scanCode, false};
    return table;
}

constexpr Table Keys = BuildTable();

constexpr int CountKeys() {
    int n = 0;
    for (const auto& key : Keys)
        n += key.has_value() ? 1 : 0;
    return n;
}
static_assert(CountKeys() == CKeyTable::Size);

} // namespace

std::optional<KeyStroke> CKeyTable::Lookup(char16_t c) {
    if (c >= Keys.size())
        return std::nullopt;
    return Keys[c];
}
