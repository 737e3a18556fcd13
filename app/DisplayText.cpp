// SPDX-License-Identifier: MIT
#include "app/DisplayText.h"

#include <cmath>

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
