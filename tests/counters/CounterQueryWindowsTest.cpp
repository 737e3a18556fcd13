// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "counters/CounterQuery.h"
#include "platform/Error.h"
#include "tests/counters/ReadFailure.h"

// The counter query against the real pdh.dll: Windows' own, or Wine's when
// the cross build runs its tests on Linux. Expectations come from what
// pdh.dll answers the test itself for the same path, or from Microsoft's
// documentation where Wine's partial pdh.dll answers otherwise: those tests
// are skipped on Wine, saying why. The stand-in pdh.dll's tests
// (tests/standin) see a disk listed and read.

namespace {

const char* const ProcessorPath = "\\Processor(_Total)\\% Processor Time";

// Wine's ntdll exports wine_get_version; Windows' does not.
bool RunningOnWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// What adding the path answers on a query of the test's own.
PDH_STATUS StatusOfAdding(const char* path)
{
    PDH_HQUERY query = nullptr;
    EXPECT_EQ(PdhOpenQuery(nullptr, 0, &query), ERROR_SUCCESS);
    PDH_HCOUNTER counter = nullptr;
    const PDH_STATUS status = PdhAddCounterUtf8(query, path, 0, &counter);
    if (status == ERROR_SUCCESS)
        PdhRemoveCounter(counter);
    PdhCloseQuery(query);
    return status;
}

// ---------------------------------------------------------------------------
// The counter query's handle is its own, so the tests watch its counters at
// the border instead: the query is linked into this executable, and its calls
// to pdh.dll go through this executable's import slots. CounterCallsDuring
// points the slots of PdhAddCounterW and PdhRemoveCounter at recorders while
// an action runs.

using TAddCounter = decltype(&PdhAddCounterW);
using TRemoveCounter = decltype(&PdhRemoveCounter);

TAddCounter RealAddCounter = nullptr;
TRemoveCounter RealRemoveCounter = nullptr;
std::vector<PDH_STATUS> AddStatuses;
std::set<PDH_HCOUNTER> LiveCounters;

PDH_STATUS WINAPI RecordAddCounter(PDH_HQUERY query, LPCWSTR path, DWORD_PTR userData, PDH_HCOUNTER* counter)
{
    const PDH_STATUS status = RealAddCounter(query, path, userData, counter);
    AddStatuses.push_back(status);
    if (status == ERROR_SUCCESS)
        LiveCounters.insert(*counter);
    return status;
}

PDH_STATUS WINAPI RecordRemoveCounter(PDH_HCOUNTER counter)
{
    const PDH_STATUS status = RealRemoveCounter(counter);
    if (status == ERROR_SUCCESS)
        LiveCounters.erase(counter);
    return status;
}

// The import slot through which this executable calls dll!function; null
// when it imports no such function by name.
ULONG_PTR* ImportSlot(const char* dll, const char* function)
{
    auto* const base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* const dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* const nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return nullptr;
    for (auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + module->Name), dll) != 0)
            continue;
        const auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<ULONG_PTR*>(&slot->u1.Function);
        }
    }
    return nullptr;
}

// Points one import slot elsewhere for its own lifetime.
class TImportPatch {
public:
    TImportPatch(const char* dll, const char* function, ULONG_PTR replacement)
        : FSlot(ImportSlot(dll, function))
    {
        if (FSlot == nullptr)
            return;
        FOriginal = *FSlot;
        Write(replacement);
    }
    ~TImportPatch()
    {
        if (FSlot != nullptr)
            Write(FOriginal);
    }
    TImportPatch(const TImportPatch&) = delete;
    TImportPatch& operator=(const TImportPatch&) = delete;

    bool Applied() const { return FSlot != nullptr; }
    ULONG_PTR Original() const { return FOriginal; }

private:
    void Write(ULONG_PTR value)
    {
        DWORD protection = 0;
        VirtualProtect(FSlot, sizeof *FSlot, PAGE_READWRITE, &protection);
        *FSlot = value;
        VirtualProtect(FSlot, sizeof *FSlot, protection, &protection);
    }

    ULONG_PTR* FSlot;
    ULONG_PTR FOriginal = 0;
};

// What an action did to pdh.dll's counters.
struct TCounterCalls {
    bool watched;                     // both import slots were found
    std::vector<PDH_STATUS> added;    // PdhAddCounterW's answers, in order
    std::size_t left;                 // counters added and not removed
};

TCounterCalls CounterCallsDuring(const std::function<void()>& action)
{
    AddStatuses.clear();
    LiveCounters.clear();
    {
        TImportPatch add("pdh.dll", "PdhAddCounterW", reinterpret_cast<ULONG_PTR>(&RecordAddCounter));
        TImportPatch remove("pdh.dll", "PdhRemoveCounter", reinterpret_cast<ULONG_PTR>(&RecordRemoveCounter));
        if (!add.Applied() || !remove.Applied())
            return {false, {}, 0};
        RealAddCounter = reinterpret_cast<TAddCounter>(add.Original());
        RealRemoveCounter = reinterpret_cast<TRemoveCounter>(remove.Original());
        action();
    }
    return {true, AddStatuses, LiveCounters.size()};
}

using TStatuses = std::vector<PDH_STATUS>;

// The process's query, open for each test.
class CounterQueryWindows : public testing::Test {
protected:
    void SetUp() override { OpenCounterQuery(); }
    void TearDown() override { CloseCounterQuery(); }
};

}  // namespace

TEST_F(CounterQueryWindows, ProcessorTimeIsAPercentageAndLeavesNoCounter)
{
    // The same read twice: the first must not leave the query changed.
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        double value = -1;
        const TCounterCalls calls = CounterCallsDuring([&] { value = ReadCounter(ProcessorPath); });
        ASSERT_TRUE(calls.watched);
        EXPECT_GE(value, 0.0);
        EXPECT_LE(value, 100.0);
        EXPECT_EQ(calls.added, TStatuses{ERROR_SUCCESS});
        EXPECT_EQ(calls.left, 0u);
    }
}

TEST_F(CounterQueryWindows, RefusedPathRaisesThePlatformStatusAndLeavesNoCounter)
{
    // No such counter: refused at the add, by Windows and by Wine (whose
    // pdh.dll knows no PhysicalDisk counter at all).
    const char* const path = "\\PhysicalDisk(_Total)\\% No Such Time";
    const PDH_STATUS refusal = StatusOfAdding(path);
    ASSERT_NE(refusal, ERROR_SUCCESS);
    // The same failing read twice fails the same way.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string message;
        const TCounterCalls calls = CounterCallsDuring([&] { message = ReadFailure(path); });
        ASSERT_TRUE(calls.watched);
        EXPECT_EQ(message, StatusText(refusal));
        EXPECT_EQ(calls.added, TStatuses{refusal});
        EXPECT_EQ(calls.left, 0u);
    }

    // A refused read leaves the query as usable as before.
    double value = -1;
    const TCounterCalls calls = CounterCallsDuring([&] { value = ReadCounter(ProcessorPath); });
    EXPECT_GE(value, 0.0);
    EXPECT_LE(value, 100.0);
    EXPECT_EQ(calls.added, TStatuses{ERROR_SUCCESS});
    EXPECT_EQ(calls.left, 0u);
}

TEST_F(CounterQueryWindows, DiskThatIsNotThereIsAddedAndHasNoData)
{
    // Windows adds a counter for an instance that does not exist (yet) with
    // ERROR_SUCCESS, and a collection whose query has no valid counter
    // answers PDH_NO_DATA (the PdhAddCounterA and PdhCollectQueryData pages).
    const char* const path = "\\PhysicalDisk(no such disk)\\% Idle Time";
    if (RunningOnWine())
        GTEST_SKIP() << "Wine's pdh.dll knows no PhysicalDisk counter: it refuses the add with "
                     << StatusText(StatusOfAdding(path)) << " where Windows adds it";
    EXPECT_EQ(StatusOfAdding(path), ERROR_SUCCESS);
    std::string message;
    const TCounterCalls calls = CounterCallsDuring([&] { message = ReadFailure(path); });
    ASSERT_TRUE(calls.watched);
    EXPECT_EQ(message, StatusText(PDH_NO_DATA));
    EXPECT_EQ(calls.added, TStatuses{ERROR_SUCCESS});
    EXPECT_EQ(calls.left, 0u);
}

TEST_F(CounterQueryWindows, AllDisksIdleIsAPercentageWhereThePlatformHasIt)
{
    const char* const path = "\\PhysicalDisk(_Total)\\% Idle Time";
    const PDH_STATUS status = StatusOfAdding(path);
    if (RunningOnWine()) {
        // Wine's pdh.dll has no PhysicalDisk object; Windows always has _Total.
        EXPECT_NE(status, ERROR_SUCCESS);
    } else {
        EXPECT_EQ(status, ERROR_SUCCESS);
    }

    std::string message;
    double value = -1;
    const TCounterCalls calls = CounterCallsDuring([&] {
        if (status == ERROR_SUCCESS)
            value = ReadCounter(path);
        else
            message = ReadFailure(path);
    });
    ASSERT_TRUE(calls.watched);
    if (status == ERROR_SUCCESS) {
        EXPECT_GE(value, 0.0);
        EXPECT_LE(value, 100.0);
    } else {
        EXPECT_EQ(message, StatusText(status));
    }
    EXPECT_EQ(calls.added, TStatuses{status});
    EXPECT_EQ(calls.left, 0u);
}

TEST(CounterQueryWindowsNoQuery, ReadWithNoOpenQueryRaisesTheNullQueryStatus)
{
    PDH_HCOUNTER counter = nullptr;
    const PDH_STATUS refusal = PdhAddCounterUtf8(nullptr, ProcessorPath, 0, &counter);
    ASSERT_NE(refusal, ERROR_SUCCESS);

    // Under CTest each test runs in a process of its own: no query has been
    // opened yet. Then the same after a close.
    std::string message;
    TCounterCalls calls = CounterCallsDuring([&] { message = ReadFailure(ProcessorPath); });
    ASSERT_TRUE(calls.watched);
    EXPECT_EQ(message, StatusText(refusal));
    EXPECT_EQ(calls.added, TStatuses{refusal});

    OpenCounterQuery();
    EXPECT_EQ(ReadFailure(ProcessorPath), "");
    CloseCounterQuery();

    calls = CounterCallsDuring([&] { message = ReadFailure(ProcessorPath); });
    EXPECT_EQ(message, StatusText(refusal));
    EXPECT_EQ(calls.added, TStatuses{refusal});
}

TEST(CounterQueryWindowsInstances, PhysicalDiskListsNamesOrRaisesThePlatformStatus)
{
    // The platform's own answer, with room enough for any list.
    std::vector<char> counters(1 << 18);
    std::vector<char> instances(1 << 18);
    DWORD counterLength = static_cast<DWORD>(counters.size());
    DWORD instanceLength = static_cast<DWORD>(instances.size());
    const PDH_STATUS status = PdhEnumObjectItemsUtf8(nullptr, nullptr, "PhysicalDisk", counters.data(), &counterLength,
                                                     instances.data(), &instanceLength, PERF_DETAIL_WIZARD, 0);

    if (status != ERROR_SUCCESS) {
        // Wine: its pdh.dll does not implement the enumeration.
        try {
            const std::vector<std::string> names = ListInstances("PhysicalDisk");
            ADD_FAILURE() << "listed " << names.size() << " names though the platform answers "
                          << StatusText(status);
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), StatusText(status));
        }
        return;
    }

    // Windows: the disks' names.
    const std::vector<std::string> names = ListInstances("PhysicalDisk");
    EXPECT_FALSE(names.empty());
    for (const std::string& name : names)
        EXPECT_FALSE(name.empty());
}
