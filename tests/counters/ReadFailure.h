#pragma once

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
