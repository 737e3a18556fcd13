// SPDX-License-Identifier: MIT
#include "platform/Canvas.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPolygon>
#include <QtMath>

TCanvas::TCanvas(QPaintDevice* device, qreal scale)
    : FOwnPainter(std::make_unique<QPainter>(device)), FPainter(FOwnPainter.get()), FScale(scale)
{
    Init();
}

TCanvas::TCanvas(QPainter* painter, qreal scale) : FPainter(painter), FScale(scale)
{
    FPainter->save();
    Init();
}

void TCanvas::Init()
{
    FPainter->setRenderHint(QPainter::Antialiasing, false);
    FPen = QPen(Qt::black, 1);
    // A square cap covers both end points of a 1-pixel line in every
    // direction. A flat cap would leave one end out, but which end depends on
    // the line's direction: a graph drawn right to left would lose its newest
    // point.
    FPen.setCapStyle(Qt::SquareCap);
    FPen.setJoinStyle(Qt::MiterJoin);
    FBrushColor = Qt::white;
    FFontColor = Qt::black;
}

TCanvas::~TCanvas()
{
    Flush();
    if (FOwnPainter)
        FOwnPainter->end();
    else
        FPainter->restore();
}

void TCanvas::SetBrushColor(TColor color)
{
    Flush();
    FBrushColor = ColorToQColor(color);
}

void TCanvas::FillRect(const TRect& rect)
{
    Flush();
    if (rect.Right <= rect.Left || rect.Bottom <= rect.Top)
        return;
    const int left = DeviceEdge(rect.Left);
    const int top = DeviceEdge(rect.Top);
    FPainter->fillRect(QRect(left, top, DeviceEdge(rect.Right) - left, DeviceEdge(rect.Bottom) - top), FBrushColor);
}

void TCanvas::SetPenColor(TColor color)
{
    Flush();
    FPen.setColor(ColorToQColor(color));
}

void TCanvas::SetPenWidth(int width)
{
    Flush();
    FPenWidth = width;
}

int TCanvas::LineWidth(int width, qreal scale)
{
    // The whole number of device pixels nearest to width × scale in
    // proportion, so a line looks as heavy beside the scaled window as it
    // does at 100 %: a 1-pixel line stays 1 device pixel at 125 % (2 would
    // be 1.6 times too wide, 1 is 1.25 times too thin) and becomes 2 at
    // 150 % (1.33 times too wide rather than 1.5 times too thin) and at
    // 200 %, where it is exact. Between n and n + 1, n + 1 is nearer once
    // the ideal width exceeds their geometric mean.
    const qreal ideal = width * scale;
    int pixels = std::max(1, qFloor(ideal));
    if (ideal * ideal > pixels * (pixels + 1.0))
        ++pixels;
    return pixels;
}

int TCanvas::FirstDevicePixel(int v, int width) const
{
    // The run of width device pixels whose middle is nearest the middle of
    // the control's pixel v, (v + ½) × scale; of two equally near, the upper
    // or left one.
    return qCeil((v + 0.5) * FScale - width / 2.0 - 0.5);
}

int TCanvas::DeviceEdge(int v) const
{
    // The rounding the toolkit uses for an image's size at a ratio, so the
    // control's whole area covers the whole image.
    return qRound(v * FScale);
}

void TCanvas::MoveTo(int x, int y)
{
    Flush();
    FX = x;
    FY = y;
}

void TCanvas::LineTo(int x, int y)
{
    // Consecutive lines are gathered into one polyline and drawn in one call
    // when anything else happens: the same pixels, at a fraction of the cost
    // of a painter call per segment.
    if (x != FX || y != FY) {
        if (FPolyline.isEmpty())
            FPolyline.append(QPoint(FX, FY));
        FPolyline.append(QPoint(x, y));
    }
    FX = x;
    FY = y;
}

void TCanvas::SetFont(const QFont& font)
{
    Flush();
    FPainter->setFont(font);
}

void TCanvas::SetFontColor(TColor color)
{
    FFontColor = ColorToQColor(color);
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    Flush();
    FPainter->setPen(FFontColor);
    FPainter->drawText(x, y + QFontMetrics(FPainter->font()).ascent(), text);
}

int TCanvas::TextWidth(const QString& text) const
{
    return QFontMetrics(FPainter->font()).horizontalAdvance(text);
}

void TCanvas::Flush()
{
    if (FPolyline.size() >= 2) {
        if (FScale == 1) {
            FPen.setWidth(FPenWidth);
            FPainter->setPen(FPen);
            FPainter->drawPolyline(FPolyline.constData(), static_cast<int>(FPolyline.size()));
        } else {
            // A line width device pixels wide is its 1-pixel path drawn with
            // a square nib of width × width device pixels, from the path's
            // pixels right and down: as thick across as along the axes, and
            // drawn as width × width 1-pixel polylines, the toolkit's
            // cheapest lines (a wide pen is stroked into a polygon and
            // filled, several times the cost).
            const int width = LineWidth(FPenWidth, FScale);
            QPolygon points;
            points.reserve(FPolyline.size());
            for (const QPoint& p : FPolyline)
                points << QPoint(FirstDevicePixel(p.x(), width), FirstDevicePixel(p.y(), width));
            FPen.setWidth(1);
            FPainter->setPen(FPen);
            for (int dy = 0; dy < width; ++dy) {
                for (int dx = 0; dx < width; ++dx) {
                    FPainter->drawPolyline(points);
                    points.translate(1, 0);
                }
                points.translate(-width, 1);
            }
        }
    }
    FPolyline.clear();
}
