// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <iomanip>
#include <sstream>
#include <string>

#include "counters/CounterQuery.h"
#include "platform/Error.h"

// The message of the Exception a read raises; empty when it raises none.
inline std::string ReadFailure(const std::string& path)
{
    try {
        ReadCounter(path);
    } catch (const Exception& error) {
        return error.Message();
    }
    return {};
}

// A status as the program shows it, written out here without CheckStatus.
inline std::string StatusText(PDH_STATUS status)
{
    std::ostringstream text;
    text << std::uppercase << std::hex << std::setw(8) << std::setfill('0') << static_cast<std::uint32_t>(status);
    return text.str();
}
