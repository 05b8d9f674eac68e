#include "text/Text.h"

#include <array>

namespace {

// 0x80..0x9F differ from Latin-1; 0 marks the five bytes the code page leaves undefined,
// which map to the C1 control with the same number, as Windows' own conversion does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

char16_t Cp1252ToUnicode(unsigned char byte) {
    if (byte < 0x80 || byte > 0x9F) return byte;
    const char16_t mapped = kHighControls[byte - 0x80];
    return mapped != 0 ? mapped : byte;
}

char Cp1252FromUnicode(char16_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<char>(character);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        const char16_t mapped = kHighControls[i];
        if (mapped == character || (mapped == 0 && character == 0x80 + i)) return static_cast<char>(0x80 + i);
    }
    return '?';
}

std::string Cp1252ToUtf8(const Text& text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (const char byte : text) {
        const char16_t c = Cp1252ToUnicode(static_cast<unsigned char>(byte));
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

Text Utf8ToCp1252(const std::string& utf8) {
    Text text;
    text.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >> 5 == 0x6 ? 2 : lead >> 4 == 0xE ? 3 : lead >> 3 == 0x1E ? 4 : 0;
        char32_t character = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        std::size_t taken = 1;
        while (length > 1 && taken < length && i + taken < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + taken]) & 0xC0) == 0x80)
            character = character << 6 | (static_cast<unsigned char>(utf8[i + taken++]) & 0x3F);
        const bool whole = length != 0 && taken == length;
        text += whole && character < 0x10000 ? Cp1252FromUnicode(static_cast<char16_t>(character)) : '?';
        i += whole ? length : 1;
    }
    return text;
}
