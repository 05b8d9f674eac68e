#include "toolkit/win32/Wide.h"

#include <windows.h>

namespace {

constexpr UINT kWindows1252 = 1252;

} // namespace

std::wstring Wide(const Text& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(kWindows1252, 0, text.data(), size, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(kWindows1252, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

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
