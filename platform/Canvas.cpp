#include "platform/Canvas.h"

#include <QFontMetrics>
#include <QPaintDevice>

TCanvas::TCanvas(QPaintDevice* device)
    : FOwnPainter(std::make_unique<QPainter>(device)), FPainter(FOwnPainter.get())
{
    Init();
}

TCanvas::TCanvas(QPainter* painter) : FPainter(painter)
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
    FPainter->fillRect(QRect(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top),
                       FBrushColor);
}

void TCanvas::SetPenColor(TColor color)
{
    Flush();
    FPen.setColor(ColorToQColor(color));
}

void TCanvas::SetPenWidth(int width)
{
    Flush();
    FPen.setWidth(width);
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
        FPainter->setPen(FPen);
        FPainter->drawPolyline(FPolyline.constData(), static_cast<int>(FPolyline.size()));
    }
    FPolyline.clear();
}
