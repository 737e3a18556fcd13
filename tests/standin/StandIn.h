// SPDX-License-Identifier: MIT
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include "tests/standin/StandInControl.h"

// The stand-in pdh.dll as the tests see it: loaded instead of the system's
// (WINEDLLOVERRIDES=pdh=n and the DLL beside the test executable), steered
// through its own exports, which GetProcAddress finds on it alone.
class TStandIn {
public:
    TStandIn() : FModule(GetModuleHandleA("pdh.dll")) { ++Made(); }

    // Why this process's pdh.dll cannot stand for the model the environment
    // chose: it is not the stand-in from this executable's folder, or its
    // model is not IDLESCOPE_PDH_MODEL's, or the system's ANSI code page is
    // not IDLESCOPE_CODE_PAGE's (Wine takes it from LC_ALL: zh_CN.UTF-8
    // gives 936, C.UTF-8 1252). Empty when it can.
    std::string Unfit() const
    {
        char module[MAX_PATH] = {};
        char executable[MAX_PATH] = {};
        if (FModule == nullptr || GetModuleFileNameA(FModule, module, MAX_PATH) == 0)
            return "no pdh.dll is loaded";
        GetModuleFileNameA(nullptr, executable, MAX_PATH);
        const std::string folder = Folder(module);
        if (lstrcmpiA(folder.c_str(), Folder(executable).c_str()) != 0 || Control("IdlescopeStandInModel") == nullptr)
            return std::string("pdh.dll is ") + module + ", not the stand-in beside the test";
        const char* wanted = std::getenv("IDLESCOPE_PDH_MODEL");
        const std::string model = Call<decltype(&IdlescopeStandInModel)>("IdlescopeStandInModel")();
        if (model != (wanted != nullptr ? wanted : "english"))
            return "the stand-in plays " + model + " Windows, not IDLESCOPE_PDH_MODEL's";
        const char* codePage = std::getenv("IDLESCOPE_CODE_PAGE");
        if (codePage != nullptr && std::to_string(GetACP()) != codePage)
            return "the ANSI code page is " + std::to_string(GetACP()) + ", not " + codePage;
        return {};
    }

    bool Chinese() const
    {
        return std::string(Call<decltype(&IdlescopeStandInModel)>("IdlescopeStandInModel")()) == "chinese";
    }

    // The model's names for PhysicalDisk and % Idle Time, in UTF-8.
    std::string Object() const { return Chinese() ? "物理磁盘" : "PhysicalDisk"; }
    std::string Counter() const { return Chinese() ? "% 空闲时间" : "% Idle Time"; }

    void Reset() const { Call<decltype(&IdlescopeStandInReset)>("IdlescopeStandInReset")(); }
    void Fail(const char* function, DWORD call, DWORD status) const
    {
        Call<decltype(&IdlescopeStandInFail)>("IdlescopeStandInFail")(function, call, status);
    }
    void SetDisk(const char* instance, bool present, DWORD collection) const
    {
        Call<decltype(&IdlescopeStandInSetDisk)>("IdlescopeStandInSetDisk")(instance, present, collection);
    }
    void ShortNameSizes(DWORD mode) const
    {
        Call<decltype(&IdlescopeStandInShortNameSizes)>("IdlescopeStandInShortNameSizes")(mode);
    }

    // The call log since the last reset, a line each.
    std::vector<std::string> Calls() const
    {
        std::vector<std::string> lines;
        std::string log = Call<decltype(&IdlescopeStandInCalls)>("IdlescopeStandInCalls")();
        for (std::size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(log.substr(start, end - start));
        return lines;
    }

    // One of pdh.dll's own functions, called past the program's name
    // translation.
    template <typename TFunction>
    TFunction Call(const char* name) const
    {
        return reinterpret_cast<TFunction>(Control(name));
    }

    // True in the process's first stand-in test, before anything could have
    // made the program look the system's names up (it does so once per
    // process). CTest runs every test in a process of its own.
    bool FirstInProcess() const { return Made() == 1; }

private:
    void* Control(const char* name) const
    {
        return reinterpret_cast<void*>(GetProcAddress(FModule, name));
    }
    static std::string Folder(const std::string& path) { return path.substr(0, path.find_last_of("\\/")); }
    static int& Made()
    {
        static int made = 0;
        return made;
    }

    HMODULE FModule;
};
