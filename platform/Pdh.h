// SPDX-License-Identifier: MIT
#pragma once

// The Performance Data Helper functions the counter query calls. On Windows
// they are pdh.dll's own; on Linux the platform layer provides the same
// functions, with the same contracts and status codes, from the kernel's
// block-device statistics. CMake puts the right PdhApi.h on the include path.
#include "PdhApi.h"

// The three calls of the counter query that carry names (the computer's, the
// object's, the instances' and the counter paths) take and give them in
// UTF-8, on both systems. Otherwise each has the contract and the statuses of
// the function it is named after; lengths count UTF-8 bytes.
//
// On Windows (platform/windows/PdhUtf8.cpp) they call kernel32's and
// pdh.dll's wide functions and convert the names there, so that no name
// passes through the ANSI code page, which need not hold the system's
// language (an English Windows with a Chinese display language keeps code
// page 1252, where a Chinese name comes back as "????"). They also hand
// pdh.dll the system's own names for "PhysicalDisk" and "% Idle Time"
// (PdhNames.h). On Linux (platform/linux/LinuxPdh.cpp), whose names are UTF-8
// already, they are the layer's A functions.

// GetComputerNameA.
BOOL GetComputerNameUtf8(LPSTR lpBuffer, LPDWORD nSize);

// PdhEnumObjectItemsA. The sizing answer (PDH_MORE_DATA) may be larger than
// what the lists then fill: a fetch sets the lengths to what it wrote.
PDH_STATUS PdhEnumObjectItemsUtf8(LPCSTR szDataSource, LPCSTR szMachineName, LPCSTR szObjectName,
                                  LPSTR mszCounterList, LPDWORD pcchCounterListLength,
                                  LPSTR mszInstanceList, LPDWORD pcchInstanceListLength,
                                  DWORD dwDetailLevel, DWORD dwFlags);

// PdhAddCounterA.
PDH_STATUS PdhAddCounterUtf8(PDH_HQUERY hQuery, LPCSTR szFullCounterPath, DWORD_PTR dwUserData,
                             PDH_HCOUNTER* phCounter);
