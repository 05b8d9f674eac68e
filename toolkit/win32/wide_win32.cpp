#include "toolkit/win32/Wide.h"

#include <windows.h>

namespace {

constexpr UINT kWindows1252 = 1252;

std::wstring widen(UINT codePage, const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

} // namespace

std::wstring Wide(const Text& text) { return widen(kWindows1252, text); }

std::wstring Utf8ToWide(const std::string& text) { return widen(CP_UTF8, text); }

Text Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    Text narrow(static_cast<std::size_t>(
                    WideCharToMultiByte(kWindows1252, 0, text.data(), size, nullptr, 0, "?", nullptr)),
                '\0');
    WideCharToMultiByte(kWindows1252, 0, text.data(), size, narrow.data(), static_cast<int>(narrow.size()), "?",
                        nullptr);
    return narrow;
}

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::string utf8(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr,
                                                                  nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}
