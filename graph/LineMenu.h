// SPDX-License-Identifier: MIT
#pragma once

#include <QAction>
#include <QMenu>
#include <QProxyStyle>

class TCanvas;
struct TRect;

// One entry of a graph's line menu: the line's caption, its index (the tag)
// and whether the line is shown. The checked flag changes only through the
// graph's ToggleLine, never by the click itself.
class TLineItem : public QAction {
    Q_OBJECT

public:
    TLineItem(int tag, QObject* owner) : QAction(owner), FTag(tag) {}

    int Tag() const { return FTag; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool value) { FChecked = value; }

private:
    int FTag;
    bool FChecked = false;
};

// The line menu: it tells its style which entry is being measured or painted,
// so the style can hand that entry to the graph's owner-draw handlers.
class TLineMenu : public QMenu {
    Q_OBJECT

public:
    explicit TLineMenu(QWidget* owner) : QMenu(owner) {}

    // The entry the menu prepared a style option for last; the menu measures
    // and paints each entry right after preparing its option.
    TLineItem* StyledItem() const { return FStyledItem; }

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

private:
    mutable TLineItem* FStyledItem = nullptr;
};

// What measures and paints a line menu's entries: the graph that owns the menu.
class TLineItemPainter {
public:
    virtual void MeasureLineItem(TLineItem* item, TCanvas& canvas, int& width, int& height) = 0;
    virtual void DrawLineItem(TLineItem* item, TCanvas& canvas, const TRect& rect, bool selected) = 0;

protected:
    ~TLineItemPainter() = default;
};

// The line menu's owner-draw mode: the style asks the painter for each
// entry's size (MeasureLineItem) and lets it paint the entry (DrawLineItem);
// the toolkit draws no check mark, icon or text of its own for it. Set on the
// line menu alone, which must not outlive it.
class TLineMenuStyle : public QProxyStyle {
public:
    explicit TLineMenuStyle(TLineItemPainter* painter) : FPainter(painter) {}

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

private:
    // The line menu's entry being measured or painted, when it is one.
    TLineItem* ItemFor(bool menuItem, const QWidget* widget) const;

    TLineItemPainter* FPainter;
};
