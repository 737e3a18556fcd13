// SPDX-License-Identifier: MIT
#include "platform/DebugPrivilege.h"

// No process token privileges outside Windows; start-up ignores the result.
bool EnableDebugPrivilege(bool)
{
    return false;
}
