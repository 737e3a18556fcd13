// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <vector>

#include "platform/DebugPrivilege.h"

// The debug privilege against the process's real token. Whether the token
// holds SeDebugPrivilege depends on who runs the tests (an administrator's
// elevated token does, a standard user's does not; Wine's token does), so the
// expectations read the token itself.

namespace {

// The attributes of SeDebugPrivilege in the process token; none when the
// token does not hold the privilege.
std::optional<DWORD> DebugPrivilegeAttributes()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        ADD_FAILURE() << "OpenProcessToken failed: " << GetLastError();
        return std::nullopt;
    }
    LUID debug{};
    EXPECT_TRUE(LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &debug));

    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    const BOOL read = GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size);
    CloseHandle(token);
    if (!read) {
        ADD_FAILURE() << "GetTokenInformation failed";
        return std::nullopt;
    }

    const auto* const privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
        if (entry.Luid.LowPart == debug.LowPart && entry.Luid.HighPart == debug.HighPart)
            return entry.Attributes;
    }
    return std::nullopt;
}

bool DebugPrivilegeEnabled()
{
    const std::optional<DWORD> attributes = DebugPrivilegeAttributes();
    return attributes && (*attributes & SE_PRIVILEGE_ENABLED) != 0;
}

}  // namespace

// A token without the privilege makes the adjustment report
// ERROR_NOT_ALL_ASSIGNED; one with it, success. Under Wine the token holds it:
// both calls return true.
TEST(DebugPrivilegeWindows, ResultIsTheAdjustmentsLastError)
{
    const bool held = DebugPrivilegeAttributes().has_value();

    for (const bool enable : {true, false, true}) {
        SCOPED_TRACE(enable ? "enable" : "disable");
        // A stale error from before the call does not decide the result.
        SetLastError(ERROR_NOT_ALL_ASSIGNED);
        const bool result = EnableDebugPrivilege(enable);
        EXPECT_EQ(result, GetLastError() == ERROR_SUCCESS);
        EXPECT_EQ(result, held);
        EXPECT_EQ(DebugPrivilegeEnabled(), enable && held);
    }
}
