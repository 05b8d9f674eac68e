#include "text/Text.h"

#include <windows.h>

namespace {

constexpr UINT kWindows1252 = 1252;

std::wstring toWide(UINT codePage, const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

// `replacement` stands for a character the code page lacks; UTF-8 lacks none and takes none.
std::string fromWide(UINT codePage, const std::wstring& text, const char* replacement) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::string out(static_cast<std::size_t>(
                        WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, replacement, nullptr)),
                    '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), static_cast<int>(out.size()), replacement,
                        nullptr);
    return out;
}

} // namespace

std::wstring Wide(const Text& text) { return toWide(kWindows1252, text); }

Text Narrow(const std::wstring& text) { return fromWide(kWindows1252, text, "?"); }

std::wstring Utf8ToWide(const std::string& text) { return toWide(CP_UTF8, text); }

std::string WideToUtf8(const std::wstring& text) { return fromWide(CP_UTF8, text, nullptr); }
