// SPDX-License-Identifier: MIT
#pragma once

// Enables (or disables) SeDebugPrivilege in the process token. Returns true
// exactly when the thread's last error is 0 right after the adjustment; false
// when the token cannot be opened. Where the platform has no such privilege
// it does nothing and returns false.
bool EnableDebugPrivilege(bool enable);
