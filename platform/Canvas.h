// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QVector>
#include <QString>

#include "platform/Colors.h"

class QPaintDevice;

// A rectangle as the drawing services take it: left and top included, right
// and bottom excluded.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

// The drawing surface of a control, in pixels from its top-left corner: a
// brush that fills rectangles, a pen that draws lines from a current
// position, and a font that writes text. Antialiasing is off, so every pixel
// lands where the coordinates say. A canvas draws either onto a device it
// opens for its own lifetime (a control's image) or through a painter that
// somebody else holds (a menu entry painted by the toolkit).
//
// With a scale, the canvas draws a control's pixels onto device pixels (an
// image made at a screen's device pixel ratio, painted with no ratio of its
// own): the control's pixel x covers the device pixels from round(x × scale)
// to round((x + 1) × scale), and a line is a whole number of device pixels
// wide, the same along its length. Text is not scaled.
class TCanvas {
public:
    explicit TCanvas(QPaintDevice* device, qreal scale = 1);
    explicit TCanvas(QPainter* painter, qreal scale = 1);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    void SetBrushColor(TColor color);
    // Fills the rectangle with the brush colour.
    void FillRect(const TRect& rect);

    void SetPenColor(TColor color);
    // Width in the control's pixels; with a scale, in whole device pixels
    // (see LineWidth).
    void SetPenWidth(int width);
    void MoveTo(int x, int y);
    // Draws from the current position to (x, y), both end points included,
    // and makes (x, y) the current position.
    void LineTo(int x, int y);

    void SetFont(const QFont& font);
    void SetFontColor(TColor color);
    // Writes the text with its top-left corner at (x, y), on a transparent
    // background.
    void TextOut(int x, int y, const QString& text);
    // The advance width of the text in the current font.
    int TextWidth(const QString& text) const;

private:
    void Init();
    // How many device pixels wide a line of this width in the control's
    // pixels is drawn at this scale.
    static int LineWidth(int width, qreal scale);
    // The device pixel where a line through the control's pixel v begins
    // (its top or left edge), for a line width device pixels wide.
    int FirstDevicePixel(int v, int width) const;
    // The device pixel edge of the control's pixel edge v.
    int DeviceEdge(int v) const;
    // Draws the lines gathered since the last MoveTo or change of pen.
    void Flush();

    std::unique_ptr<QPainter> FOwnPainter;
    QPainter* FPainter;
    qreal FScale;
    int FPenWidth = 1;
    QColor FBrushColor;
    QPen FPen;
    QVector<QPoint> FPolyline;
    QColor FFontColor;
    int FX = 0;
    int FY = 0;
};
