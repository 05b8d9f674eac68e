#include "link/platform/SysError.h"
#include "link/platform/SysError_p.h"

#include <cerrno>
#include <cstring>

#include <iconv.h>
#include <langinfo.h>

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

} // namespace

SystemText DecodeSystemText(std::string_view bytes, const char* codeset) {
    SystemText text;
    const iconv_t convert = iconv_open("UTF-8", codeset);
    if (convert == reinterpret_cast<iconv_t>(-1)) {
        for (const char byte : bytes)
            if (static_cast<unsigned char>(byte) < 0x80)
                text.utf8 += byte;
            else
                text.utf8 += kReplacement;
        return text;
    }
    char* from = const_cast<char*>(bytes.data());
    std::size_t fromLeft = bytes.size();
    while (fromLeft > 0) {
        char chunk[256];
        char* to = chunk;
        std::size_t toLeft = sizeof chunk;
        const bool stopped = iconv(convert, &from, &fromLeft, &to, &toLeft) == static_cast<std::size_t>(-1);
        const int why = errno;
        text.utf8.append(chunk, sizeof chunk - toLeft);
        if (stopped && why != E2BIG) {
            // Not a character of the set (EILSEQ), or cut off at the end (EINVAL).
            text.utf8 += kReplacement;
            ++from;
            --fromLeft;
            iconv(convert, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(convert);
    return text;
}

// Once the toolkit has set the user's locale, strerror answers in the user's language and
// character set (UTF-8 on every current desktop).
SystemText SysErrorMessage(std::uint32_t code) {
    return DecodeSystemText(std::strerror(static_cast<int>(code)), nl_langinfo(CODESET));
}
