#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The program's text conversions between the bytes of the setup record and of the serial line,
// and the 16-bit text of the user interface; and the counter format. Independent of the user's
// locale.
class CTextString {
public:
    virtual ~CTextString() = default;

    // Packet bytes: one byte per character. ToNarrow keeps the low 8 bits of each character;
    // ToWide makes each byte the character of the same code.
    static std::string ToNarrow(const std::u16string& text);
    static std::u16string ToWide(const std::string& bytes);
    // A zero-terminated string carries no bound: a text field of the record without its zero
    // byte (a damaged file) would be read on into the next field. Fields go through FromField.
    static std::u16string ToWide(const char* text) = delete;

    // The text fields of the setup record that people read (the target window's title, the
    // target file's name) hold UTF-8, ended by a zero byte unless the text fills the field.
    // FromField reads no further than the field; a field that is not UTF-8 (written by an
    // earlier version or another program) is read one byte per character (Latin-1).
    template <std::size_t N> static std::u16string FromField(const char (&field)[N]) {
        return FromFieldBytes(field, N);
    }
    // Stores the text as UTF-8 up to the last whole character that fits in N - 1 bytes and
    // fills the rest of the field with zero bytes. A lone surrogate is stored as U+FFFD.
    template <std::size_t N> static void ToField(const std::u16string& text, char (&field)[N]) {
        ToFieldBytes(text, field, N);
    }

    // Decimal with ',' between groups of three digits from 1,000 to 999,999,999 in magnitude;
    // larger magnitudes plain.
    static std::u16string FormatCount(std::int32_t value);

private:
    static std::u16string FromFieldBytes(const char* field, std::size_t size);
    static void ToFieldBytes(const std::u16string& text, char* field, std::size_t size);
};

// ASCII-only helpers for the program's own texts (messages, formats).
std::u16string Ascii16(const std::string& ascii);
std::string Narrow8(const std::u16string& text); // low 8 bits, for diagnostics and tests
