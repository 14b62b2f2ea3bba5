#include "targets/TextString.h"

#include <cstring>

void CTextString::ToNarrow(const std::u16string& text, int limit, char* dest) {
    std::size_t n = text.size();
    if (limit > 0 && n >= static_cast<std::size_t>(limit))
        n = static_cast<std::size_t>(limit);
    for (std::size_t i = 0; i < n; ++i)
        dest[i] = static_cast<char>(text[i] & 0xFF);
    dest[n] = '\0';
}

std::string CTextString::ToNarrow(const std::u16string& text) {
    std::string bytes(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        bytes[i] = static_cast<char>(text[i] & 0xFF);
    return bytes;
}

std::u16string CTextString::ToWide(const char* text) {
    return ToWide(std::string(text, std::strlen(text)));
}

std::u16string CTextString::ToWide(const std::string& bytes) {
    std::u16string wide(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    return wide;
}

std::u16string CTextString::FormatCount(std::int32_t value) {
    const std::int64_t v = value;
    const std::uint64_t magnitude = static_cast<std::uint64_t>(v < 0 ? -v : v);
    std::string digits = std::to_string(magnitude);
    if (magnitude >= 1000 && magnitude <= 999'999'999) {
        for (std::size_t pos = digits.size(); pos > 3;) {
            pos -= 3;
            digits.insert(pos, 1, ',');
        }
    }
    if (v < 0)
        digits.insert(0, 1, '-');
    return Ascii16(digits);
}

std::u16string Ascii16(const std::string& ascii) {
    return CTextString::ToWide(ascii);
}

std::string Narrow8(const std::u16string& text) {
    return CTextString::ToNarrow(text);
}
