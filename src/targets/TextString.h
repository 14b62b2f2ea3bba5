#pragma once

#include <cstdint>
#include <string>

// The program's fixed one-byte-per-character mapping between the 8-bit text of the setup record
// and the serial bytes, and the 16-bit text of the user interface; and the counter format.
// Independent of the user's locale.
class CTextString {
public:
    virtual ~CTextString() = default;

    // Writes the low 8 bits of each of the first characters of text into dest, then a zero byte.
    // With limit > 0 at most limit characters are written, so dest needs limit + 1 bytes;
    // with limit 0 it needs text.size() + 1.
    static void ToNarrow(const std::u16string& text, int limit, char* dest);
    // The same conversion into a byte string (no limit, no terminator inside).
    static std::string ToNarrow(const std::u16string& text);
    // Each byte before the terminating zero becomes the character of the same code.
    static std::u16string ToWide(const char* text);
    static std::u16string ToWide(const std::string& bytes);
    // Decimal with ',' between groups of three digits from 1,000 to 999,999,999 in magnitude;
    // larger magnitudes plain.
    static std::u16string FormatCount(std::int32_t value);
};

// ASCII-only helpers for the program's own texts (messages, formats).
std::u16string Ascii16(const std::string& ascii);
std::string Narrow8(const std::u16string& text); // low 8 bits, for diagnostics and tests
