// SPDX-License-Identifier: MIT
// Fuzzes the counter-path parser and PdhAddCounterA.
//
// The input is a path as it is: when it parses, its parts must put it back
// together exactly and have their documented shape; PdhAddCounterA on it
// (up to its first NUL, as a C string) must answer the status its parts call
// for, from the statuses its contract lists. The same bytes also make the
// parts of a well-formed path (machine, object, optional instance, counter):
// built into a path, it must parse back into exactly those parts.
//
// The machine has the physical disks nvme0n1 and sda, and loop0, which is
// not one.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CounterPath.h"
#include "FuzzFolder.h"
#include "platform/Pdh.h"
#include "platform/linux/Kernel32.h"

namespace {

struct TWorld {
    TFuzzFolder folder;
    std::string host;
    PDH_HQUERY query = nullptr;

    TWorld()
    {
        namespace fs = std::filesystem;
        const fs::path block = fs::path(folder.path()) / "sys" / "block";
        fs::create_directories(block / "sda" / "device");
        fs::create_directories(block / "nvme0n1" / "device");
        fs::create_directories(block / "loop0");
        fs::create_directories(fs::path(folder.path()) / "proc");
        PdhLinuxSource source;
        source.procRoot = folder.path() + "/proc";
        source.sysRoot = folder.path() + "/sys";
        PdhLinuxSetSource(std::move(source));

        host = HostName();
        if (PdhOpenQuery(nullptr, 0, &query) != ERROR_SUCCESS)
            Fail("PdhOpenQuery failed");
    }
};

TWorld& World()
{
    static TWorld world;
    return world;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

bool Has(std::string_view text, char c)
{
    return text.find(c) != std::string_view::npos;
}

std::string Show(std::string_view bytes)
{
    std::string shown = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '"') {
            shown += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        }
    }
    return shown + "\"";
}

std::string Assemble(std::string_view machine, std::string_view object, std::optional<std::string_view> instance,
                     std::string_view counter)
{
    std::string path;
    if (!machine.empty())
        path.append("\\\\").append(machine);
    path.append("\\").append(object);
    if (instance)
        path.append("(").append(*instance).append(")");
    return path.append("\\").append(counter);
}

std::string Show(const TCounterPath& parts)
{
    return "machine " + Show(parts.machine) + ", object " + Show(parts.object) + ", instance " +
           (parts.instance ? Show(*parts.instance) : "none") + ", counter " + Show(parts.counter);
}

// What PdhAddCounterA must answer for a path, from the contract: a path
// that does not parse, then another computer, another object, another
// counter, no instance, and a disk that is not there, in that order.
PDH_STATUS ExpectedAddStatus(const std::optional<TCounterPath>& parts)
{
    if (!parts)
        return PDH_CSTATUS_BAD_COUNTERNAME;
    if (!parts->machine.empty() && !EqualsNoCase(parts->machine, World().host))
        return PDH_CSTATUS_NO_MACHINE;
    if (!EqualsNoCase(parts->object, "PhysicalDisk"))
        return PDH_CSTATUS_NO_OBJECT;
    if (!EqualsNoCase(parts->counter, "% Idle Time"))
        return PDH_CSTATUS_NO_COUNTER;
    if (!parts->instance)
        return PDH_CSTATUS_NO_INSTANCE;
    const std::string_view instance = *parts->instance;
    if (EqualsNoCase(instance, "_Total") || instance == "sda" || instance == "nvme0n1")
        return ERROR_SUCCESS;
    return PDH_CSTATUS_NO_INSTANCE;
}

void CheckAdd(const std::string& path)
{
    const std::optional<TCounterPath> parts = ParseCounterPath(path);
    PDH_HCOUNTER counter = nullptr;
    const PDH_STATUS status = PdhAddCounterA(World().query, path.c_str(), 0, &counter);
    const PDH_STATUS expected = ExpectedAddStatus(parts);
    if (status != expected) {
        char codes[64];
        std::snprintf(codes, sizeof codes, "%08X, expected %08X", static_cast<unsigned>(status),
                      static_cast<unsigned>(expected));
        Fail("PdhAddCounterA(" + Show(path) + ") gave " + codes);
    }
    if (status == ERROR_SUCCESS && PdhRemoveCounter(counter) != ERROR_SUCCESS)
        Fail("PdhRemoveCounter failed for " + Show(path));
}

// A parse result must give the path back and have the documented shape.
void CheckParse(std::string_view path)
{
    const std::optional<TCounterPath> parts = ParseCounterPath(path);
    if (!parts)
        return;
    const std::string shape = Show(path) + " gave " + Show(*parts);
    if (Assemble(parts->machine, parts->object, parts->instance, parts->counter) != path)
        Fail("the parts do not put the path back together: " + shape);
    if (parts->object.empty() || parts->counter.empty())
        Fail("an empty object or counter: " + shape);
    if (Has(parts->counter, '\\') || Has(parts->machine, '\\'))
        Fail("a backslash in the counter or machine: " + shape);
    // The object ends at the first "("; it may hold a backslash: in
    // \\host\\Object\Counter the object is \Object, which no computer has.
    if (Has(parts->object, '('))
        Fail("an object that holds \"(\": " + shape);
    if (!parts->instance && Has(parts->object, ')'))
        Fail("\")\" in an object without an instance: " + shape);
    for (const std::string_view part : {parts->machine, parts->object, parts->counter})
        if (!part.empty() && (part.data() < path.data() || part.data() + part.size() > path.data() + path.size()))
            Fail("a part that does not point into the path: " + shape);
}

std::string Without(std::string text, std::string_view banned)
{
    std::erase_if(text, [&](char c) { return Has(banned, c); });
    return text;
}

// Builds a well-formed path from parts and checks that it parses back into
// exactly those parts, and what PdhAddCounterA says of it.
void CheckRoundTrip(FuzzedDataProvider& input)
{
    const bool thisHost = input.ConsumeBool();
    std::string machine = Without(input.ConsumeRandomLengthString(64), "\\");
    if (thisHost) {
        machine = World().host;
        for (char& c : machine)
            if (input.ConsumeBool() && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
    }
    const std::string object = Without(input.ConsumeRandomLengthString(64), "\\()");
    const bool hasInstance = input.ConsumeBool();
    const std::string instance = input.ConsumeRandomLengthString(64);
    const std::string counter = Without(input.ConsumeRemainingBytesAsString(), "\\");
    if (object.empty() || counter.empty())
        return;

    const std::optional<std::string_view> wanted =
        hasInstance ? std::optional<std::string_view>(instance) : std::nullopt;
    const std::string path = Assemble(machine, object, wanted, counter);
    const TCounterPath made{machine, object, wanted, counter};
    const std::optional<TCounterPath> parts = ParseCounterPath(path);
    if (!parts)
        Fail(Show(path) + " made of " + Show(made) + " does not parse");
    if (parts->machine != machine || parts->object != object || parts->instance != wanted ||
        parts->counter != counter)
        Fail(Show(path) + " made of " + Show(made) + " parsed as " + Show(*parts));
    if (path.find('\0') == std::string::npos)
        CheckAdd(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    World();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckParse(bytes);
    CheckAdd(bytes.c_str());  // a C string ends at the first NUL
    FuzzedDataProvider input(data, size);
    CheckRoundTrip(input);
    return 0;
}
