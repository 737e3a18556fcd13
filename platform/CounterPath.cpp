// SPDX-License-Identifier: MIT
#include "platform/CounterPath.h"

#include <algorithm>

std::optional<TCounterPath> ParseCounterPath(std::string_view path)
{
    TCounterPath result;
    if (path.starts_with("\\\\")) {
        path.remove_prefix(2);
        const std::size_t end = path.find('\\');
        if (end == 0 || end == std::string_view::npos)
            return std::nullopt;
        result.machine = path.substr(0, end);
        path.remove_prefix(end);
    }
    if (!path.starts_with('\\'))
        return std::nullopt;
    path.remove_prefix(1);
    const std::size_t counterStart = path.rfind('\\');
    if (counterStart == std::string_view::npos)
        return std::nullopt;
    result.counter = path.substr(counterStart + 1);
    std::string_view object = path.substr(0, counterStart);
    const std::size_t open = object.find('(');
    if (open != std::string_view::npos) {
        if (!object.ends_with(')'))
            return std::nullopt;
        result.instance = object.substr(open + 1, object.size() - open - 2);
        object = object.substr(0, open);
    } else if (object.find(')') != std::string_view::npos) {
        return std::nullopt;
    }
    if (object.empty() || result.counter.empty())
        return std::nullopt;
    result.object = object;
    return result;
}

bool SameNameNoCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}
