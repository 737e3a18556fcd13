// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include <windows.h>

// pdh.dll knows performance objects and counters only by the names of the
// system's language: a Chinese Windows refuses "PhysicalDisk" in
// PdhEnumObjectItems and PdhAddCounter (C0000BB8), and its one
// language-neutral route, PdhAddEnglishCounter, adds but cannot list
// (Microsoft's KB 287159, "Using PDH APIs correctly in a localized language",
// and the PdhAddEnglishCounterA page: "the counter path specified in the
// PdhAddCounter function must be localized").
//
// The system's names for the two names the program uses, the object
// "PhysicalDisk" and its counter "% Idle Time", are found once per process,
// at the first use, by their performance-library indices, which are the same
// in every language: the index the English name list gives the name (value
// "Counter" of HKEY_PERFORMANCE_TEXT, where "Retrieving Counter Names and
// Help Text" documents it; where that lacks the name, of
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Perflib\009), or, where
// neither has it, the index Windows publishes for it (PhysicalDisk 234,
// % Idle Time 1482); then the name PdhLookupPerfNameByIndexW gives that
// index. A name whose lookup fails stays English and is not looked up again.

// The system's names, in UTF-8.
struct TSystemNames {
    std::string Object;
    std::string Counter;
};
const TSystemNames& SystemNames();

// The index a name list gives an English name. The list holds index and name
// texts in turn, each ended by a NUL ("2\0System\0" "4\0Memory\0" ...), as
// the "Counter" values do; names compare in any ASCII case. A name may stand
// at several indices ("% Idle Time" is a disk's and a processor's): the
// preferred index when the list pairs it with the name, else the first. 0
// (no index) when the name is missing or no index of it is a number.
DWORD PerfIndexOf(std::string_view list, std::string_view englishName, DWORD preferredIndex);

// objectName when the object is "PhysicalDisk" (in any case); otherwise the
// object unchanged.
std::string_view LocalizedObject(std::string_view object, std::string_view objectName);

// A counter path "[\\machine]\object[(instance)]\counter" with objectName in
// place of an object "PhysicalDisk", and counterName in place of that
// object's counter "% Idle Time" (both matched in any ASCII case). The path
// is split as ParseCounterPath splits it: the counter is what follows the
// last backslash, so an instance name may hold any bytes, ")\" included.
// Every other path comes back unchanged.
std::string LocalizedCounterPath(std::string_view path, std::string_view objectName,
                                 std::string_view counterName);
