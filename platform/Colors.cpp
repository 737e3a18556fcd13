// SPDX-License-Identifier: MIT
#include "platform/Colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

bool PaletteRole(TColor color, QPalette::ColorRole& role)
{
    switch (color) {
    case clBtnFace: role = QPalette::Button; return true;
    case clActiveCaption: role = QPalette::Highlight; return true;
    case clCaptionText: role = QPalette::HighlightedText; return true;
    case clMenuText: role = QPalette::Text; return true;
    default: return false;
    }
}

}  // namespace

QColor ColorToQColor(TColor color)
{
    if (IsSysColor(color)) {
        QPalette::ColorRole role;
        if (!PaletteRole(SysColor(static_cast<int>(color & 0xFF)), role))
            return QColor(0, 0, 0);
        return QGuiApplication::palette().color(QPalette::Active, role);
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}
