// SPDX-License-Identifier: MIT
#pragma once

#include <QAction>
#include <QMenu>
#include <QProxyStyle>

class TCanvas;
struct TRect;

// One entry of a graph's line menu: the line's caption, its index (the tag)
// and whether the line is shown. The entry paints its caption; the action's
// text is the name a screen reader gives it, and its checked flag is the one
// a screen reader reads: a click flips it, then the graph's ToggleLine sets
// it to whether the line is shown.
class TLineItem : public QAction {
    Q_OBJECT

public:
    TLineItem(int tag, QObject* owner) : QAction(owner), FTag(tag) { setCheckable(true); }

    int Tag() const { return FTag; }
    bool Checked() const { return isChecked(); }
    void SetChecked(bool value) { setChecked(value); }
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& value) { FCaption = value; }

private:
    int FTag;
    QString FCaption;
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
    // Space clicks the selected entry, as Enter does.
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override;

private:
    // The line menu's entry being measured or painted, when it is one.
    TLineItem* ItemFor(bool menuItem, const QWidget* widget) const;

    TLineItemPainter* FPainter;
};
