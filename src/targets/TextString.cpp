#include "targets/TextString.h"

#include <cstring>
#include <optional>

namespace {

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
        return;
    }
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

// The text of well-formed UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing above
// U+10FFFF, no sequence cut short; anything else is not UTF-8.
std::optional<std::u16string> DecodeUtf8(const unsigned char* bytes, std::size_t n) {
    std::u16string text;
    text.reserve(n);
    for (std::size_t i = 0; i < n;) {
        const unsigned char lead = bytes[i];
        // Bytes that follow the lead byte, and the least character that needs that many.
        std::size_t more = 0;
        char32_t least = 0;
        char32_t c = lead;
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            least = 0x80;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            least = 0x800;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            least = 0x10000;
            c = lead & 0x07;
        } else if (lead >= 0x80) {
            return std::nullopt; // a stray continuation byte, or a lead byte UTF-8 never uses
        }
        if (n - i - 1 < more)
            return std::nullopt;
        for (std::size_t k = 1; k <= more; ++k) {
            const unsigned char next = bytes[i + k];
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        AppendUtf16(text, c);
        i += 1 + more;
    }
    return text;
}

// The UTF-8 bytes of one character; returns their number.
std::size_t EncodeUtf8(char32_t c, unsigned char* out) {
    if (c < 0x80) {
        out[0] = static_cast<unsigned char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 4;
}

} // namespace

std::string CTextString::ToNarrow(const std::u16string& text) {
    std::string bytes(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        bytes[i] = static_cast<char>(text[i] & 0xFF);
    return bytes;
}

std::u16string CTextString::ToWide(const std::string& bytes) {
    std::u16string wide(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    return wide;
}

std::u16string CTextString::FromFieldBytes(const char* field, std::size_t size) {
    const std::size_t n = strnlen(field, size);
    if (auto text = DecodeUtf8(reinterpret_cast<const unsigned char*>(field), n))
        return *std::move(text);
    return ToWide(std::string(field, n));
}

void CTextString::ToFieldBytes(const std::u16string& text, char* field, std::size_t size) {
    std::memset(field, 0, size);
    const std::size_t room = size - 1; // the zero byte after the text
    std::size_t used = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        unsigned char bytes[4];
        const std::size_t length = EncodeUtf8(c, bytes);
        // Only whole characters: a cut one would make the field unreadable as UTF-8.
        if (length > room - used)
            break;
        std::memcpy(field + used, bytes, length);
        used += length;
    }
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
