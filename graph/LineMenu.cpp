// SPDX-License-Identifier: MIT
// The graph's line menu: its entries and their owner-draw style, which hands
// each entry to its painter, the graph.

#include "graph/LineMenu.h"

#include <QImage>
#include <QStyleOptionMenuItem>

#include "platform/Canvas.h"

void TLineMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    FStyledItem = qobject_cast<TLineItem*>(const_cast<QAction*>(action));
}

QSize TLineMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                       const QWidget* widget) const
{
    TLineItem* item = ItemFor(type == CT_MenuItem, widget);
    if (!item)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    const QSize platform = QProxyStyle::sizeFromContents(type, option, size, widget);
    // Measured at the menu's resolution, so the width fits what is painted.
    QImage scratch(1, 1, QImage::Format_RGB32);
    scratch.setDotsPerMeterX(qRound(widget->logicalDpiX() / 0.0254));
    scratch.setDotsPerMeterY(qRound(widget->logicalDpiY() / 0.0254));
    TCanvas canvas(&scratch);
    canvas.SetFont(widget->font());
    int width = canvas.TextWidth(item->Caption());
    int height = platform.height() + 3;
    FPainter->MeasureLineItem(item, canvas, width, height);
    return {width, height};
}

void TLineMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    TLineItem* item = ItemFor(element == CE_MenuItem, widget);
    if (!item) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    TCanvas canvas(painter);
    canvas.SetFont(widget->font());
    const QRect r = option->rect;
    FPainter->DrawLineItem(item, canvas, TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1},
                           (option->state & State_Selected) != 0);
}

int TLineMenuStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                              QStyleHintReturn* data) const
{
    if (hint == SH_Menu_SpaceActivatesItem)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, data);
}

TLineItem* TLineMenuStyle::ItemFor(bool menuItem, const QWidget* widget) const
{
    const auto* menu = qobject_cast<const TLineMenu*>(widget);
    return menuItem && menu ? menu->StyledItem() : nullptr;
}
