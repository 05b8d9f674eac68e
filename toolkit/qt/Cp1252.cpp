#include "toolkit/qt/Cp1252.h"

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

char16_t toUnicode(unsigned char byte) {
    if (byte < 0x80 || byte > 0x9F) return byte;
    const char16_t mapped = kHighControls[byte - 0x80];
    return mapped != 0 ? mapped : byte;
}

char fromUnicode(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        const char16_t mapped = kHighControls[i];
        if (mapped == unit || (mapped == 0 && unit == 0x80 + i)) return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QString Cp1252ToQString(const Text& text) {
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (const char c : text) out.append(QChar(toUnicode(static_cast<unsigned char>(c))));
    return out;
}

Text QStringToCp1252(const QString& text) {
    Text out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) out.push_back(fromUnicode(c.unicode()));
    return out;
}
