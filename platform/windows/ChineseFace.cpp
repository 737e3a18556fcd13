// SPDX-License-Identifier: MIT
#include "platform/ChineseFace.h"

#include <QFontDatabase>
#include <QStringList>

QFont WithChineseFace(const QFont& font)
{
    // Qt tries a font's further families, in order, before the system's
    // list for the user's language. A family with Chinese of its own (SimSun,
    // the message font of older Chinese Windows) would draw it itself: then
    // Microsoft YaHei UI comes first and draws the rest too, as it does as
    // the message font of Chinese Windows 10 and 11.
    const QString chineseFace = QStringLiteral("Microsoft YaHei UI");
    const QString family = font.family();
    QFont withFace = font;
    if (QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese))
        withFace.setFamilies({chineseFace, family});
    else
        withFace.setFamilies({family, chineseFace});
    return withFace;
}
