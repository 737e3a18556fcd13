// SPDX-License-Identifier: MIT
// The graph's line menu: its entries, their owner-draw style, and the graph's
// handlers that keep, measure, paint and click them.

#include "graph/LineMenu.h"

#include <QImage>
#include <QStyleOptionMenuItem>

#include "graph/uHeartMachine.h"
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
    int width = canvas.TextWidth(item->text());
    int height = platform.height() + 3;
    FGraph->MeasureLineItem(item, canvas, width, height);
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
    FGraph->DrawLineItem(item, canvas, TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1},
                         (option->state & State_Selected) != 0);
}

TLineItem* TLineMenuStyle::ItemFor(bool menuItem, const QWidget* widget) const
{
    const auto* menu = qobject_cast<const TLineMenu*>(widget);
    return menuItem && menu ? menu->StyledItem() : nullptr;
}

void THeartMachine::UpdateLineMenu(int lineIndex, const QString& caption)
{
    if (FLineMenu->actions().size() < lineIndex + 1) {
        auto* item = new TLineItem(lineIndex, this);
        item->setText(caption);
        connect(item, &QAction::triggered, this, [this, item] { ToggleLine(item); });
        item->SetChecked(true);
        FLineMenu->addAction(item);
        if (!FLineMenuStyle) {
            FLineMenuStyle = new TLineMenuStyle(this);
            FLineMenu->setStyle(FLineMenuStyle);
        }
    }
    FLineMenu->actions()[lineIndex]->setText(caption);
}

void THeartMachine::MeasureLineItem(TLineItem* item, TCanvas& canvas, int& width, int& height)
{
    static_cast<void>(height);
    width = canvas.TextWidth(item->text()) + 10;
}

void THeartMachine::DrawLineItem(TLineItem* item, TCanvas& canvas, const TRect& rect, bool selected)
{
    canvas.SetBrushColor(selected ? clActiveCaption : clBtnFace);
    canvas.FillRect(rect);
    canvas.SetFontColor(LineColors[item->Tag()]);
    canvas.TextOut(rect.Left + 12, rect.Top + 3, item->text());
    if (item->Checked()) {
        canvas.SetPenColor(selected ? clCaptionText : clMenuText);
        canvas.SetPenWidth(2);
        canvas.MoveTo(rect.Left + 1, rect.Top + 9);
        canvas.LineTo(rect.Left + 4, rect.Top + 12);
        canvas.LineTo(rect.Left + 9, rect.Top + 6);
    }
}

void THeartMachine::ToggleLine(TLineItem* item)
{
    const int tag = item->Tag();
    FVisible[tag] = !FVisible[tag];
    item->SetChecked(FVisible[tag] != 0);
    DrawLines();
}
