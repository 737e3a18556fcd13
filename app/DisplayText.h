// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include <QString>

// The texts the monitor window shows for what it measures.

// The text shown for an instance name, from the bytes the platform listed:
// UTF-8 on both systems, each byte that is not part of a well-formed sequence
// shown as its escape ("sd\xFF").
QString DisplayName(const std::string& name);

// Rounds half to even (97.5 gives 98, 96.5 gives 96). Raises Exception for a
// value that is not a number or does not fit in 32 bits.
int RoundHalfEven(double value);

// value with exactly two decimals, the user locale's decimal separator and no
// digit grouping ("97.53", "97,53").
QString FormatFixed2(double value);
