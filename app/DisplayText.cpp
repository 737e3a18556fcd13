// SPDX-License-Identifier: MIT
#include "app/DisplayText.h"

#include <cmath>
#include <cstddef>
#include <string_view>

#include <QLocale>

#include "platform/Error.h"

int RoundHalfEven(double value)
{
    // nearbyint rounds in the default mode, to nearest with ties to even.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        throw Exception("Invalid floating point operation");
    return static_cast<int>(rounded);
}

QString FormatFixed2(double value)
{
    // 'f' never groups digits; only the separator follows the locale.
    return QString::number(value, 'f', 2).replace(QLatin1Char('.'), QLocale().decimalPoint());
}

namespace {

// The length of the well-formed UTF-8 sequence at the start of the text; 0
// when it does not start with one (a stray continuation byte, an overlong
// form, a surrogate, a code point above U+10FFFF, a cut sequence).
std::size_t Utf8SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

}  // namespace

QString DisplayName(const std::string& name)
{
    QString text;
    std::string_view rest = name;
    while (!rest.empty()) {
        std::size_t valid = 0;
        while (valid < rest.size()) {
            const std::size_t length = Utf8SequenceLength(rest.substr(valid));
            if (length == 0)
                break;
            valid += length;
        }
        text += QString::fromUtf8(rest.data(), static_cast<qsizetype>(valid));
        rest.remove_prefix(valid);
        if (!rest.empty()) {
            const auto byte = static_cast<unsigned char>(rest.front());
            text += QStringLiteral("\\x") + QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
            rest.remove_prefix(1);
        }
    }
    return text;
}
