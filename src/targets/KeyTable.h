#pragma once

#include <cstdint>
#include <optional>

// The key that types a character on the US English layout, named by its scan code set 1 make
// code, and whether Shift must be held for it.
struct KeyStroke {
    std::uint16_t ScanCode = 0;
    bool Shift = false;

    friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// The 99 characters that the keystroke sender can type: U+0020 to U+007E, backspace, tab,
// carriage return and escape. Every other character has no key.
class CKeyTable {
public:
    virtual ~CKeyTable() = default;

    static std::optional<KeyStroke> Lookup(char16_t c);
    // Typed when readings go by the active layout: every character with a US key and every
    // character from U+00A0 on. Line feed, delete and the other control characters stay keyless.
    static bool TypedByLayout(char32_t c) {
        return (c >= 0xA0 && (c < 0xD800 || c > 0xDFFF) && c <= 0x10FFFF) ||
               (c < 0x80 && Lookup(static_cast<char16_t>(c)).has_value());
    }

    static constexpr std::uint16_t LeftShift = 0x2A;
    static constexpr int Size = 99;
};
