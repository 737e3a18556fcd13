// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

// The stand-in pdh.dll's own exports, besides pdh.dll's functions: the tests
// steer it and read what it received through these, found with
// GetProcAddress on the loaded pdh.dll (no other pdh.dll has them). The
// model, English or Chinese Windows, comes from the environment variable
// IDLESCOPE_PDH_MODEL ("english", the default, or "chinese"), read once.
// With IDLESCOPE_PDH_LOG naming a file, every line of the call log (see
// IdlescopeStandInCalls) is also appended to that file, for a check that
// runs the program itself. Query and counter handles are numbers counted up
// from one count and never reused, and every function answers
// PDH_INVALID_HANDLE for a number that is not a live handle of its kind: the
// tests count what a read left behind that way (LeftoversOf).
extern "C" {

// Back to the model's start: every disk present, every trace at its first
// sample, no status injected, no disk change pending, sizes answered as
// documented, an empty call log. Open queries and counters stay.
void WINAPI IdlescopeStandInReset();

// "english" or "chinese".
const char* WINAPI IdlescopeStandInModel();

// The call-th call from now (1: the next) of the named pdh.dll function
// answers status and does nothing else.
void WINAPI IdlescopeStandInFail(const char* function, DWORD call, DWORD status);

// The disk (an instance name) is there or gone from just before the
// collection-th PdhCollectQueryData call from now; 0: at once.
void WINAPI IdlescopeStandInSetDisk(const char* instance, BOOL present, DWORD collection);

// How PdhLookupPerfNameByIndex sizes: 0 as documented; otherwise its sizing
// call answers one character short, and a buffer too small then gets
// PDH_MORE_DATA (1) or, as some releases answer, PDH_INVALID_ARGUMENT (2).
void WINAPI IdlescopeStandInShortNameSizes(DWORD mode);

// Every call pdh.dll received since the last reset, one line each, as
// "Function(arguments) = STATUS": texts in quotes as the function understood
// them, in UTF-8 (an A function's read in the ANSI code page), null
// pointers as null, other buffers as buffer, handles as "query N" and
// "counter N", lengths as passed in, statuses in eight hexadecimal digits.
// Valid until the next call into the stand-in.
const char* WINAPI IdlescopeStandInCalls();
}
