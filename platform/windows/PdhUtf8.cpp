// SPDX-License-Identifier: MIT
// The counter query's calls that carry names, through the wide functions of
// kernel32 and pdh.dll: the names are converted between UTF-8 and UTF-16
// here and nowhere else.

#include "platform/Pdh.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "PdhNames.h"
#include "Utf8.h"

namespace {

// A nullable text, in UTF-16.
std::optional<std::wstring> Wide(LPCSTR text)
{
    if (text == nullptr)
        return std::nullopt;
    return WideFromUtf8(text);
}

LPCWSTR Pointer(const std::optional<std::wstring>& text)
{
    return text ? text->c_str() : nullptr;
}

// The most UTF-8 bytes that this many UTF-16 units can make: 3 for a unit
// of the Basic Multilingual Plane (a Chinese character, say), 4 for a
// surrogate pair of two units.
DWORD Utf8Room(DWORD units)
{
    return units <= MAXDWORD / 3 ? units * 3 : MAXDWORD;
}

}  // namespace

BOOL GetComputerNameUtf8(LPSTR lpBuffer, LPDWORD nSize)
{
    if (nSize == nullptr)
        return FALSE;
    wchar_t wide[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(wide, &length))
        return FALSE;
    const std::string name = Utf8FromWide(std::wstring_view(wide, length));
    if (lpBuffer == nullptr || *nSize < name.size() + 1) {
        *nSize = static_cast<DWORD>(name.size() + 1);
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    std::memcpy(lpBuffer, name.c_str(), name.size() + 1);
    *nSize = static_cast<DWORD>(name.size());
    return TRUE;
}

PDH_STATUS PdhEnumObjectItemsUtf8(LPCSTR szDataSource, LPCSTR szMachineName, LPCSTR szObjectName,
                                  LPSTR mszCounterList, LPDWORD pcchCounterListLength,
                                  LPSTR mszInstanceList, LPDWORD pcchInstanceListLength,
                                  DWORD dwDetailLevel, DWORD dwFlags)
{
    const std::optional<std::wstring> source = Wide(szDataSource);
    const std::optional<std::wstring> machine = Wide(szMachineName);
    std::optional<std::wstring> object;
    if (szObjectName != nullptr)
        object = WideFromUtf8(LocalizedObject(szObjectName, SystemNames().Object));
    if (pcchCounterListLength == nullptr || pcchInstanceListLength == nullptr)
        return PdhEnumObjectItemsW(Pointer(source), Pointer(machine), Pointer(object), nullptr,
                                   pcchCounterListLength, nullptr, pcchInstanceListLength, dwDetailLevel, dwFlags);

    // A UTF-8 text is never shorter than its UTF-16 one, so buffers of as
    // many units as the caller has bytes hold whatever fits the caller's.
    DWORD counterUnits = *pcchCounterListLength;
    DWORD instanceUnits = *pcchInstanceListLength;
    std::wstring counters(mszCounterList != nullptr ? counterUnits : 0, L'\0');
    std::wstring instances(mszInstanceList != nullptr ? instanceUnits : 0, L'\0');
    const PDH_STATUS status = PdhEnumObjectItemsW(
        Pointer(source), Pointer(machine), Pointer(object), mszCounterList != nullptr ? counters.data() : nullptr,
        &counterUnits, mszInstanceList != nullptr ? instances.data() : nullptr, &instanceUnits, dwDetailLevel,
        dwFlags);
    if (static_cast<DWORD>(status) == PDH_MORE_DATA) {
        // Sizes in UTF-16 units; the caller's are bytes.
        *pcchCounterListLength = Utf8Room(counterUnits);
        *pcchInstanceListLength = Utf8Room(instanceUnits);
        return status;
    }
    if (status != ERROR_SUCCESS)
        return status;

    // The lists as written: the lengths say how much of each buffer was used.
    counters.resize(std::min<std::size_t>(counterUnits, counters.size()));
    instances.resize(std::min<std::size_t>(instanceUnits, instances.size()));
    const std::string counterList = Utf8FromWide(counters);
    const std::string instanceList = Utf8FromWide(instances);
    if (counterList.size() > *pcchCounterListLength || instanceList.size() > *pcchInstanceListLength) {
        *pcchCounterListLength = static_cast<DWORD>(counterList.size());
        *pcchInstanceListLength = static_cast<DWORD>(instanceList.size());
        return static_cast<PDH_STATUS>(PDH_MORE_DATA);
    }
    // A list asked for with no buffer gets its size, as pdh.dll gives it.
    const auto deliver = [](LPSTR buffer, LPDWORD length, const std::string& list, DWORD units) {
        if (buffer != nullptr)
            std::memcpy(buffer, list.data(), list.size());
        *length = buffer != nullptr ? static_cast<DWORD>(list.size()) : Utf8Room(units);
    };
    deliver(mszCounterList, pcchCounterListLength, counterList, counterUnits);
    deliver(mszInstanceList, pcchInstanceListLength, instanceList, instanceUnits);
    return status;
}

PDH_STATUS PdhAddCounterUtf8(PDH_HQUERY hQuery, LPCSTR szFullCounterPath, DWORD_PTR dwUserData,
                             PDH_HCOUNTER* phCounter)
{
    if (szFullCounterPath == nullptr)
        return PdhAddCounterW(hQuery, nullptr, dwUserData, phCounter);
    const TSystemNames& names = SystemNames();
    const std::wstring path = WideFromUtf8(LocalizedCounterPath(szFullCounterPath, names.Object, names.Counter));
    return PdhAddCounterW(hQuery, path.c_str(), dwUserData, phCounter);
}
