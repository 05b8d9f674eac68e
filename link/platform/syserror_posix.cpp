#include "link/platform/SysError.h"

#include <cstring>
#include <cwchar>

#include <iconv.h>
#include <langinfo.h>

namespace {

// One character of the user's language as Windows-1252, or '?' where the code page has no
// place for it.
char toCp1252(iconv_t convert, wchar_t character) {
    if (character < 0x80) return static_cast<char>(character);
    if (convert == reinterpret_cast<iconv_t>(-1)) return '?';
    char in[sizeof(wchar_t)];
    std::memcpy(in, &character, sizeof in);
    char* from = in;
    std::size_t fromLeft = sizeof in;
    char out = '?';
    char* to = &out;
    std::size_t toLeft = 1;
    if (iconv(convert, &from, &fromLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) out = '?';
    return out;
}

} // namespace

// Once the toolkit has set the user's locale, strerror answers in the user's language and
// character set (UTF-8 on every current desktop); the program's texts are Windows-1252. A
// byte that is no character of the locale's set becomes '?' on its own, so it never takes
// its neighbours with it.
Text SysErrorMessage(std::uint32_t code) {
    const std::string system = std::strerror(static_cast<int>(code));
    const iconv_t convert = iconv_open("WCHAR_T", nl_langinfo(CODESET));
    if (convert == reinterpret_cast<iconv_t>(-1)) return system;
    const iconv_t toCodePage = iconv_open("WINDOWS-1252", "WCHAR_T");
    Text text;
    char* from = const_cast<char*>(system.data());
    std::size_t fromLeft = system.size();
    while (fromLeft > 0) {
        wchar_t character = 0;
        char* to = reinterpret_cast<char*>(&character);
        std::size_t toLeft = sizeof character;
        const std::size_t before = fromLeft;
        iconv(convert, &from, &fromLeft, &to, &toLeft);
        if (toLeft == 0) {
            text += toCp1252(toCodePage, character);
        } else if (fromLeft == before) {
            // Not a character of the locale's set, or cut off at the end.
            text += '?';
            ++from;
            --fromLeft;
            iconv(convert, nullptr, nullptr, nullptr, nullptr);
        }
    }
    if (toCodePage != reinterpret_cast<iconv_t>(-1)) iconv_close(toCodePage);
    iconv_close(convert);
    return text;
}
