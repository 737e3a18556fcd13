// SPDX-License-Identifier: MIT
#include "counters/CounterQuery.h"

#include <cstdint>
#include <cstdio>

#include "platform/Error.h"

namespace {

// How many times ListInstances sizes and fetches a list that keeps growing.
constexpr int ListRounds = 5;

// The process's one query; null until OpenCounterQuery succeeds.
PDH_HQUERY Query = nullptr;

// Removes the read's counter however ReadCounter leaves, so a failed read
// leaves nothing behind in the query.
class TCounterGuard {
public:
    explicit TCounterGuard(PDH_HCOUNTER counter) : FCounter(counter) {}
    ~TCounterGuard() { PdhRemoveCounter(FCounter); }
    TCounterGuard(const TCounterGuard&) = delete;
    TCounterGuard& operator=(const TCounterGuard&) = delete;

private:
    PDH_HCOUNTER FCounter;
};

}  // namespace

void CheckStatus(PDH_STATUS status)
{
    if (status == 0)
        return;
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(static_cast<std::uint32_t>(status)));
    throw Exception(text);
}

void OpenCounterQuery()
{
    CheckStatus(PdhOpenQuery(nullptr, 0, &Query));
}

double ReadCounter(const std::string& path)
{
    PDH_HCOUNTER counter = nullptr;
    CheckStatus(PdhAddCounterUtf8(Query, path.c_str(), 0, &counter));
    TCounterGuard removeOnExit(counter);

    // A rate counter needs two collections; the value covers the 100 ms between them.
    CheckStatus(PdhCollectQueryData(Query));
    Sleep(100);
    CheckStatus(PdhCollectQueryData(Query));

    PDH_FMT_COUNTERVALUE value{};
    CheckStatus(PdhGetFormattedCounterValue(counter, PDH_FMT_DOUBLE, nullptr, &value));
    return value.doubleValue;
}

std::vector<std::string> ListInstances(const std::string& objectName)
{
    char name[260];
    DWORD nameLength = sizeof name;
    // On failure the length is the size needed, not what the buffer holds.
    if (!GetComputerNameUtf8(name, &nameLength))
        nameLength = 0;
    const std::string machine(name, nameLength);

    // The first call of each round only learns the two lengths; it reports
    // that more data is available, so its status is not checked. Detail level
    // 0xFFFF is above every level the platform defines: every item is listed.
    // A list that grew between the two calls (a disk plugged in) no longer
    // fits: the round is tried again with fresh lengths, a bounded number of
    // times, and only a list that keeps growing is an error.
    DWORD counterLength = 0;
    DWORD instanceLength = 0;
    std::vector<char> counters;
    std::vector<char> instances;
    PDH_STATUS status = PDH_MORE_DATA;
    for (int round = 0; round < ListRounds && static_cast<DWORD>(status) == PDH_MORE_DATA; ++round) {
        counterLength = 0;
        instanceLength = 0;
        PdhEnumObjectItemsUtf8(nullptr, machine.c_str(), objectName.c_str(), nullptr, &counterLength,
                            nullptr, &instanceLength, 0xFFFF, 0);
        counters.assign(counterLength, '\0');
        instances.assign(instanceLength, '\0');
        status = PdhEnumObjectItemsUtf8(nullptr, machine.c_str(), objectName.c_str(), counters.data(),
                                     &counterLength, instances.data(), &instanceLength, 0xFFFF, 0);
    }
    CheckStatus(status);

    std::vector<std::string> result;
    // An empty multi-string is just its terminating NULs.
    if (instanceLength <= 2)
        return result;
    // Walk the multi-string; the bound guards against a list the platform
    // did not terminate with an empty text.
    const char* cursor = instances.data();
    const char* const end = instances.data() + instances.size();
    while (cursor < end && *cursor != '\0') {
        std::string item;
        while (cursor < end && *cursor != '\0')
            item += *cursor++;
        result.push_back(std::move(item));
        ++cursor;
    }
    return result;
}

void CloseCounterQuery()
{
    PdhCloseQuery(Query);
    // A closed handle must not be passed again: later reads get the null
    // handle's status instead of touching a freed query.
    Query = nullptr;
}
