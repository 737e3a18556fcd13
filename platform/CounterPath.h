// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string_view>

// A counter path "[\\Machine]\Object[(Instance)]\Counter", split into its
// parts. The parts point into the parsed text.
struct TCounterPath {
    std::string_view machine;                 // empty when the path names none
    std::string_view object;                  // never empty
    std::optional<std::string_view> instance; // none without parentheses; may be empty
    std::string_view counter;                 // never empty
};

// Splits a path; none when it does not have that shape. The counter is what
// follows the last backslash, so an instance may hold backslashes; an object
// with an instance must end with ")".
std::optional<TCounterPath> ParseCounterPath(std::string_view path);

// Whether two names are the same but for the case of ASCII letters, as
// performance object, counter and machine names compare.
bool SameNameNoCase(std::string_view a, std::string_view b);
