#pragma once
// The two kinds of words the program shows. Its own texts (captions, messages, the reply being
// collected) are Windows-1252, whatever the system. The system's words (an error's text) come
// in the user's language and may hold any letter, so they travel as UTF-8 and are never
// narrowed to the code page.

#include <string>

// 8-bit text in the Windows-1252 code page, held by value. Equal means same length, same bytes.
using Text = std::string;

// The system's own words in UTF-8. A type of its own, so it is never taken for a Text.
struct SystemText {
    std::string utf8;
};

// One Windows-1252 byte as its Unicode character, and back ('?' where the code page has no
// place for the character).
char16_t Cp1252ToUnicode(unsigned char byte);
char Cp1252FromUnicode(char16_t character);

std::string Cp1252ToUtf8(const Text& text);
// '?' for each character Windows-1252 lacks, and for each byte that is no UTF-8.
Text Utf8ToCp1252(const std::string& utf8);

#ifdef _WIN32
// The program's texts for the system's W calls, so every Windows shows the same letters
// whatever its code page; and back, '?' for each character Windows-1252 lacks.
std::wstring Wide(const Text& text);
Text Narrow(const std::wstring& text);

// UTF-8 words (a box's, a path, a registry value) for the system's W calls, and back.
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
#endif
