// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

// The font with Windows' Chinese interface face behind it. A character that
// the font's family lacks (Tahoma has no Chinese) is drawn in a face the
// system picks by the user's language: on English Windows a Japanese one,
// which lacks the simplified characters (盘, 闲, 时 ...) that then fall
// further to SimSun, a serif face, so one caption comes out in two; on
// Chinese Windows SimSun. Microsoft YaHei UI, part of every Windows 10 and
// 11 whatever its language, draws them all: behind the font's own family, or
// ahead of a family that has Chinese of its own.
// On Linux fontconfig already picks one CJK face for a run of text, and the
// font comes back unchanged.
QFont WithChineseFace(const QFont& font);
