// SPDX-License-Identifier: MIT
#include "platform/DebugPrivilege.h"

#include <windows.h>

bool EnableDebugPrivilege(bool enable)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
        return false;

    TOKEN_PRIVILEGES state{};
    LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &state.Privileges[0].Luid);
    state.PrivilegeCount = 1;
    state.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;

    // AdjustTokenPrivileges succeeds even when it assigns nothing; only the
    // last error tells whether the privilege was really adjusted.
    AdjustTokenPrivileges(token, FALSE, &state, sizeof state, nullptr, nullptr);
    const bool result = GetLastError() == 0;
    CloseHandle(token);
    return result;
}
