// SPDX-License-Identifier: MIT
#include "PdhNames.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include <pdh.h>
#include <pdhmsg.h>

#include "Utf8.h"
#include "platform/CounterPath.h"

namespace {

constexpr std::string_view EnglishObject = "PhysicalDisk";
constexpr std::string_view EnglishCounter = "% Idle Time";

// The indices Windows publishes for these base names. Wine's English name
// lists lack them (they hold a few names of Wine's own), as could a damaged
// one on Windows.
constexpr DWORD PublishedObjectIndex = 234;
constexpr DWORD PublishedCounterIndex = 1482;

// A REG_MULTI_SZ value, in UTF-8; empty when it cannot be read. The name
// lists are large on Windows (some hundred kilobytes) and can grow between
// sizing and reading, when a performance library is installed; the
// performance keys may also answer the sizing call with no size at all.
// Either way the buffer grows and the value is read again.
std::string NameList(HKEY key, const wchar_t* value)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        size = 0;
    DWORD capacity = std::max<DWORD>(size, 65536);
    for (int round = 0; round < 6; ++round, capacity *= 2) {
        std::vector<wchar_t> list(capacity / sizeof(wchar_t) + 1, L'\0');
        size = capacity;
        const LSTATUS status =
            RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(list.data()), &size);
        if (status == ERROR_SUCCESS) {
            if (type != REG_MULTI_SZ)
                return {};
            return Utf8FromWide(std::wstring_view(list.data(), std::min<std::size_t>(size / sizeof(wchar_t), list.size())));
        }
        if (status != ERROR_MORE_DATA)
            return {};
        capacity = std::max(capacity, size);
    }
    return {};
}

// The English name lists, in the order they are asked.
std::vector<std::string> EnglishNameLists()
{
    std::vector<std::string> lists{NameList(HKEY_PERFORMANCE_TEXT, L"Counter")};
    HKEY perflib = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009", 0,
                      KEY_QUERY_VALUE, &perflib) == ERROR_SUCCESS) {
        lists.push_back(NameList(perflib, L"Counter"));
        RegCloseKey(perflib);
    }
    return lists;
}

// The name pdh.dll gives an index, in the system's language, in UTF-8; empty
// when it gives none.
std::string NameOfIndex(DWORD index)
{
    // Microsoft documents two calls: the first, with no buffer and a size of
    // 0, answers PDH_MORE_DATA and the size needed. Where it answers
    // otherwise (Windows XP wanted a buffer from the start), a buffer of the
    // longest name pdh.dll allows is tried instead.
    DWORD size = 0;
    const auto sizing = static_cast<DWORD>(PdhLookupPerfNameByIndexW(nullptr, index, nullptr, &size));
    DWORD capacity = sizing == PDH_MORE_DATA && size > 0 ? size : PDH_MAX_COUNTER_NAME;
    // A buffer still too small gets PDH_MORE_DATA again, or
    // PDH_INVALID_ARGUMENT or PDH_INSUFFICIENT_BUFFER from some releases,
    // with a size not to be relied on: the buffer doubles instead, up to
    // twice the longest name.
    for (; capacity <= 2 * PDH_MAX_COUNTER_NAME; capacity *= 2) {
        std::wstring name(capacity, L'\0');
        DWORD length = capacity;
        const auto status = static_cast<DWORD>(PdhLookupPerfNameByIndexW(nullptr, index, name.data(), &length));
        if (status == ERROR_SUCCESS)
            return Utf8FromWide(name.c_str());
        if (status != PDH_MORE_DATA && status != PDH_INVALID_ARGUMENT && status != PDH_INSUFFICIENT_BUFFER)
            return {};
    }
    return {};
}

std::string SystemName(const std::vector<std::string>& lists, std::string_view englishName, DWORD publishedIndex)
{
    // Each list's index in turn; where pdh.dll has no name for any, the
    // published one.
    bool publishedTried = false;
    for (const std::string& list : lists) {
        const DWORD listed = PerfIndexOf(list, englishName, publishedIndex);
        if (listed == 0)
            continue;
        if (std::string name = NameOfIndex(listed); !name.empty())
            return name;
        publishedTried = publishedTried || listed == publishedIndex;
    }
    if (!publishedTried)
        if (std::string name = NameOfIndex(publishedIndex); !name.empty())
            return name;
    return std::string(englishName);
}

}  // namespace

const TSystemNames& SystemNames()
{
    static const TSystemNames names = [] {
        const std::vector<std::string> lists = EnglishNameLists();
        return TSystemNames{SystemName(lists, EnglishObject, PublishedObjectIndex),
                            SystemName(lists, EnglishCounter, PublishedCounterIndex)};
    }();
    return names;
}

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

std::string_view LocalizedObject(std::string_view object, std::string_view objectName)
{
    return SameNameNoCase(object, EnglishObject) ? objectName : object;
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
