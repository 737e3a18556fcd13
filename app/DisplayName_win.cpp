// SPDX-License-Identifier: MIT
#include "app/DisplayText.h"

#include <string>

#include <windows.h>

QString DisplayName(const std::string& name)
{
    if (name.empty())
        return {};
    // pdh.dll lists names in the ANSI code page (936 on Chinese Windows). A
    // byte that starts no valid sequence becomes the code page's default
    // character; the bytes after it are read as usual.
    const int size = static_cast<int>(name.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, name.data(), size, nullptr, 0);
    if (length <= 0)
        return QString::fromLatin1(name.data(), size);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), size, text.data(), length);
    return QString::fromWCharArray(text.data(), length);
}
