// SPDX-License-Identifier: MIT
#include "PdhNames.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <type_traits>

#include <pdhmsg.h>

#include "platform/CounterPath.h"

namespace {

constexpr std::string_view EnglishObject = "PhysicalDisk";
constexpr std::string_view EnglishCounter = "% Idle Time";

// The indices Windows publishes for these base names. Wine's English name
// list lacks them (it holds a few names of Wine's own), as could a damaged
// one on Windows.
constexpr DWORD PublishedObjectIndex = 234;
constexpr DWORD PublishedCounterIndex = 1482;

struct TSystemNames {
    std::string Object;
    std::string Counter;
};

using TKey = std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&RegCloseKey)>;

// Perflib\009's "Counter" value; empty when it cannot be read. It is large on
// Windows (some hundred kilobytes) and can grow between sizing and reading,
// when a performance library is installed: then it is sized again.
std::string EnglishNameList()
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009", 0,
                      KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return {};
    const TKey key(opened, &RegCloseKey);
    for (int round = 0; round < 3; ++round) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key.get(), "Counter", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            type != REG_MULTI_SZ)
            return {};
        std::string list(size, '\0');
        const LSTATUS status = RegQueryValueExA(key.get(), "Counter", nullptr, &type,
                                                reinterpret_cast<BYTE*>(list.data()), &size);
        if (status == ERROR_SUCCESS) {
            list.resize(std::min<std::size_t>(size, list.size()));
            return list;
        }
        if (status != ERROR_MORE_DATA)
            return {};
    }
    return {};
}

// The name pdh.dll gives an index, in the system's language; empty when it
// gives none.
std::string NameOfIndex(DWORD index)
{
    // Microsoft documents two calls: the first, with no buffer and a size of
    // 0, answers PDH_MORE_DATA and the size needed. Where it answers
    // otherwise (Windows XP wanted a buffer from the start), a buffer of the
    // longest name pdh.dll allows is tried instead.
    DWORD size = 0;
    const auto sizing = static_cast<DWORD>(PdhLookupPerfNameByIndexA(nullptr, index, nullptr, &size));
    DWORD capacity = sizing == PDH_MORE_DATA && size > 0 ? size : PDH_MAX_COUNTER_NAME;
    // A buffer still too small gets PDH_MORE_DATA again, or
    // PDH_INVALID_ARGUMENT or PDH_INSUFFICIENT_BUFFER from some releases,
    // with a size not to be relied on: the buffer doubles instead, up to
    // twice the longest name.
    for (; capacity <= 2 * PDH_MAX_COUNTER_NAME; capacity *= 2) {
        std::string name(capacity, '\0');
        DWORD length = capacity;
        const auto status = static_cast<DWORD>(PdhLookupPerfNameByIndexA(nullptr, index, name.data(), &length));
        if (status == ERROR_SUCCESS) {
            name.resize(std::strlen(name.c_str()));
            return name;
        }
        if (status != PDH_MORE_DATA && status != PDH_INVALID_ARGUMENT && status != PDH_INSUFFICIENT_BUFFER)
            return {};
    }
    return {};
}

std::string SystemName(std::string_view list, std::string_view englishName, DWORD publishedIndex)
{
    // The listed index first; where pdh.dll has no name for it, the
    // published one.
    const DWORD listed = PerfIndexOf(list, englishName, publishedIndex);
    std::string name = listed != 0 ? NameOfIndex(listed) : std::string();
    if (name.empty() && listed != publishedIndex)
        name = NameOfIndex(publishedIndex);
    return name.empty() ? std::string(englishName) : name;
}

const TSystemNames& SystemNames()
{
    static const TSystemNames names = [] {
        const std::string list = EnglishNameList();
        return TSystemNames{SystemName(list, EnglishObject, PublishedObjectIndex),
                            SystemName(list, EnglishCounter, PublishedCounterIndex)};
    }();
    return names;
}

}  // namespace

DWORD PerfIndexOf(std::string_view list, std::string_view englishName, DWORD preferredIndex)
{
    // The next NUL-ended text; a list cut short ends its last text.
    const auto next = [&list] {
        const std::size_t end = std::min(list.find('\0'), list.size());
        const std::string_view text = list.substr(0, end);
        list.remove_prefix(std::min(end + 1, list.size()));
        return text;
    };
    DWORD first = 0;
    while (!list.empty()) {
        const std::string_view index = next();
        if (index.empty())
            break;
        if (!SameNameNoCase(next(), englishName))
            continue;
        DWORD value = 0;
        const auto [end, error] = std::from_chars(index.data(), index.data() + index.size(), value);
        if (error != std::errc() || end != index.data() + index.size())
            continue;
        if (value == preferredIndex)
            return value;
        if (first == 0)
            first = value;
    }
    return first;
}

std::string LocalizedCounterPath(std::string_view path, std::string_view objectName,
                                 std::string_view counterName)
{
    const std::optional<TCounterPath> parts = ParseCounterPath(path);
    if (!parts || !SameNameNoCase(parts->object, EnglishObject))
        return std::string(path);
    // The parts point into the path: every byte around the two names, the
    // machine's and the instance's included, is kept as it is.
    const auto offset = [&path](std::string_view part) { return static_cast<std::size_t>(part.data() - path.data()); };
    const std::size_t objectEnd = offset(parts->object) + parts->object.size();
    const std::size_t counterStart = offset(parts->counter);
    std::string localized(path.substr(0, offset(parts->object)));
    localized += objectName;
    localized += path.substr(objectEnd, counterStart - objectEnd);
    localized += SameNameNoCase(parts->counter, EnglishCounter) ? counterName : parts->counter;
    return localized;
}

PDH_STATUS WINAPI PdhEnumObjectItemsSystemA(LPCSTR szDataSource, LPCSTR szMachineName, LPCSTR szObjectName,
                                            LPSTR mszCounterList, LPDWORD pcchCounterListLength,
                                            LPSTR mszInstanceList, LPDWORD pcchInstanceListLength,
                                            DWORD dwDetailLevel, DWORD dwFlags)
{
    LPCSTR object = szObjectName;
    if (object != nullptr && SameNameNoCase(object, EnglishObject) && SystemNames().Object != object)
        object = SystemNames().Object.c_str();
    return PdhEnumObjectItemsA(szDataSource, szMachineName, object, mszCounterList, pcchCounterListLength,
                               mszInstanceList, pcchInstanceListLength, dwDetailLevel, dwFlags);
}

PDH_STATUS WINAPI PdhAddCounterSystemA(PDH_HQUERY hQuery, LPCSTR szFullCounterPath, DWORD_PTR dwUserData,
                                       PDH_HCOUNTER* phCounter)
{
    if (szFullCounterPath == nullptr)
        return PdhAddCounterA(hQuery, szFullCounterPath, dwUserData, phCounter);
    const TSystemNames& names = SystemNames();
    const std::string path = LocalizedCounterPath(szFullCounterPath, names.Object, names.Counter);
    return PdhAddCounterA(hQuery, path == szFullCounterPath ? szFullCounterPath : path.c_str(), dwUserData,
                          phCounter);
}
