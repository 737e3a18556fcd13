// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include <windows.h>

// UTF-8 and Windows' UTF-16, each way. A byte that starts no well-formed
// sequence, and a lone surrogate, become U+FFFD; NULs inside are kept.

inline std::wstring WideFromUtf8(std::string_view text)
{
    const int size = static_cast<int>(text.size());
    const int length = size == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

inline std::string Utf8FromWide(std::wstring_view text)
{
    const int size = static_cast<int>(text.size());
    const int length =
        size == 0 ? 0 : WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}
