// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include <windows.h>

#include <pdh.h>

// pdh.dll knows performance objects and counters only by the names of the
// system's language: a Chinese Windows refuses "PhysicalDisk" in
// PdhEnumObjectItemsA and PdhAddCounterA (C0000BB8), and its one
// language-neutral route, PdhAddEnglishCounterA, adds but cannot list
// (Microsoft's KB 287159, "Using PDH APIs correctly in a localized language",
// and the PdhAddEnglishCounterA page: "the counter path specified in the
// PdhAddCounter function must be localized").
//
// The two functions below take the English names, with pdh.dll's own
// signatures and statuses, and hand pdh.dll the system's names for the two
// names the program uses: the object "PhysicalDisk" and its counter
// "% Idle Time". Every other name, and every byte of machine and instance
// names, passes unchanged; on English Windows the calls reach pdh.dll as they
// were made.
//
// The system's names are found once per process, at the first call of
// either function, by their performance-library indices: the index the
// English name list gives the name (value "Counter" of
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Perflib\009), or, where
// that list lacks it, the index Windows publishes for it (PhysicalDisk 234,
// % Idle Time 1482); then the name PdhLookupPerfNameByIndexA gives that
// index. A name whose lookup fails stays English and is not looked up again.

// PdhEnumObjectItemsA, with the system's name for an szObjectName of
// "PhysicalDisk" (in any case).
PDH_STATUS WINAPI PdhEnumObjectItemsSystemA(LPCSTR szDataSource, LPCSTR szMachineName, LPCSTR szObjectName,
                                            LPSTR mszCounterList, LPDWORD pcchCounterListLength,
                                            LPSTR mszInstanceList, LPDWORD pcchInstanceListLength,
                                            DWORD dwDetailLevel, DWORD dwFlags);

// PdhAddCounterA, with the path's English names replaced as
// LocalizedCounterPath does.
PDH_STATUS WINAPI PdhAddCounterSystemA(PDH_HQUERY hQuery, LPCSTR szFullCounterPath, DWORD_PTR dwUserData,
                                       PDH_HCOUNTER* phCounter);

// The index a name list gives an English name. The list holds index and name
// texts in turn, each ended by a NUL ("2\0System\0" "4\0Memory\0" ...), as
// Perflib\009's "Counter" value does; names compare in any ASCII case. A name
// may stand at several indices ("% Idle Time" is a disk's and a
// processor's): the preferred index when the list pairs it with the name,
// else the first. 0 (no index) when the name is missing or no index of it is
// a number.
DWORD PerfIndexOf(std::string_view list, std::string_view englishName, DWORD preferredIndex);

// A counter path "[\\machine]\object[(instance)]\counter" with objectName in
// place of an object "PhysicalDisk", and counterName in place of that
// object's counter "% Idle Time" (both matched in any ASCII case). The path
// is split as ParseCounterPath splits it: the counter is what follows the
// last backslash, so an instance name may hold any bytes, ")\" included.
// Every other path comes back unchanged.
std::string LocalizedCounterPath(std::string_view path, std::string_view objectName,
                                 std::string_view counterName);
