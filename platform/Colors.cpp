#include "platform/Colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

bool PaletteRole(int index, QPalette::ColorRole& role)
{
    switch (index) {
    case COLOR_BTNFACE: role = QPalette::Button; return true;
    case COLOR_ACTIVECAPTION: role = QPalette::Highlight; return true;
    case COLOR_CAPTIONTEXT: role = QPalette::HighlightedText; return true;
    case COLOR_MENUTEXT: role = QPalette::Text; return true;
    case COLOR_MENU: role = QPalette::Window; return true;
    case COLOR_WINDOW: role = QPalette::Base; return true;
    case COLOR_WINDOWTEXT: role = QPalette::WindowText; return true;
    case COLOR_HIGHLIGHT: role = QPalette::Highlight; return true;
    case COLOR_HIGHLIGHTTEXT: role = QPalette::HighlightedText; return true;
    case COLOR_BTNTEXT: role = QPalette::ButtonText; return true;
    default: return false;
    }
}

}  // namespace

QColor ColorToQColor(TColor color)
{
    if (IsSysColor(color)) {
        QPalette::ColorRole role;
        if (!PaletteRole(static_cast<int>(color & 0xFF), role))
            return QColor(0, 0, 0);
        return QGuiApplication::palette().color(QPalette::Active, role);
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}
