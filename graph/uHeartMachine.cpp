#include "graph/uHeartMachine.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

#include "platform/Canvas.h"
#include "platform/Error.h"

// The rows of the graph must come out of the 64-bit-mantissa evaluation:
// with a 53-bit double, 45, 50, 55, 85, 90 and 95 land one row too high on
// the 222-pixel graph. Where long double is only a double (MSVC), refuse to
// build rather than draw wrong rows.
static_assert(std::numeric_limits<long double>::digits >= 64,
              "THeartMachine::ValueToY needs a long double with a 64-bit mantissa");

const std::array<TColor, 17> THeartMachine::LineColors = {
    clRed,  clLime,   clYellow, clBlue,  clFuchsia, clAqua, clSilver, clGray, clWhite,
    clMaroon, clGreen, clOlive,  clNavy,  clPurple,  clTeal, clGray,   clSilver,
};

THeartMachine::THeartMachine(QWidget* AOwner) : QWidget(AOwner)
{
    FLineMenu = new TLineMenu(this);
    setContextMenuPolicy(Qt::CustomContextMenu);
    // An empty menu would open as an invisible popup that swallows the next click.
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!FLineMenu->isEmpty())
            FLineMenu->popup(mapToGlobal(pos));
    });

    // Every pixel comes from the surface, so the toolkit need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);

    FLastLine = 0;
    resize(100, 100);
    FMin = 1;
    FMax = 10;
    FHTickCount = 10;
    FHGridCount = 5;
    SetColorBackground(clBlack);
    SetColorGrid(clGreen);
    FValues.assign(1, TRow{});
    FVisible.assign(1, 1);
    SetAlign(TAlign::alClient);
}

THeartMachine::~THeartMachine()
{
    // The menu goes with the graph; it must not outlive its style.
    delete FLineMenu;
    delete FLineMenuStyle;
}

void THeartMachine::SetAlign(TAlign value)
{
    FAlign = value;
    if (QWidget* parent = parentWidget()) {
        parent->removeEventFilter(this);
        if (FAlign == TAlign::alClient)
            parent->installEventFilter(this);
    }
    Realign();
}

void THeartMachine::SetColorBackground(TColor value)
{
    FColorBackground = value;
    DrawGrid();
}

void THeartMachine::SetColorGrid(TColor value)
{
    FColorGrid = value;
    DrawGrid();
}

void THeartMachine::SetHGridCount(std::uint8_t value)
{
    FHGridCount = value;
    DrawGrid();
}

void THeartMachine::AddPoint(int lineIndex, std::int32_t value, const QString& caption)
{
    if (value > FMax || value < FMin)
        throw ERangeError("Point value out of range (" + std::to_string(value) + ")");

    if (lineIndex > FLastLine) {
        ++FLastLine;
        const auto count = static_cast<std::size_t>(lineIndex) + 1;
        if (FValues.size() < count) {
            FValues.resize(count);
            FVisible.resize(count);
        }
        FValues[lineIndex].fill(0);
        FVisible[lineIndex] = 1;
    }

    UpdateLineMenu(lineIndex, caption);

    TRow& row = FValues[lineIndex];
    std::copy(row.begin() + 1, row.end(), row.begin());
    row[HistoryLength - 1] = value;

    DrawLines();
}

int THeartMachine::ValueToY(std::int32_t value) const
{
    // Exactly this order, in extended precision: q = H / (Max − Min),
    // p = q × (v − Min), row = trunc(H − p) + 1.
    const long double h = static_cast<long double>(height() - 2);
    const long double q = h / (static_cast<long double>(FMax) - static_cast<long double>(FMin));
    const long double p = q * (static_cast<long double>(value) - static_cast<long double>(FMin));
    return static_cast<int>(h - p) + 1;
}

void THeartMachine::FillBackground()
{
    if (!PrepareSurface())
        return;
    {
        TCanvas canvas(FSurfacePainter.get());
        FillBackgroundOn(canvas);
    }
    FSurfaceOnGrid = false;
    Present(rect());
}

void THeartMachine::DrawGrid()
{
    if (!PrepareSurface())
        return;
    UpdateGridImage();
    CopyGrid();
    FLines = TLinePlan{};
    Present(rect());
}

void THeartMachine::DrawLines()
{
    if (!PrepareSurface())
        return;
    TLinePlan plan = PlanLines();
    // Background and grid are the same as at the last drawing unless a
    // setting or the size changed. Then only the columns where a line moved
    // need the grid back and go to the screen; the lines are drawn whole.
    QRegion changed;
    const bool gridChanged = UpdateGridImage();
    if (FSurfaceOnGrid && !gridChanged) {
        std::vector<QRect> restore;
        qint64 restoreArea = 0;
        // The changed columns, left to right, in a few rectangles: a
        // neighbour joins the rectangle while that adds little area, so a
        // line moving over a few rows goes out as a few flat strips, and one
        // moving over many rows in every column as one rectangle.
        std::vector<QRect> strips;
        const auto area = [](const QRect& r) { return static_cast<qint64>(r.width()) * r.height(); };
        for (std::size_t c = 0; c < plan.Columns.size(); ++c) {
            if (!ColumnDiffers(FLines, plan, c))
                continue;
            QRect column = plan.Columns[c];
            if (c < FLines.Columns.size() && !FLines.Columns[c].isEmpty()) {
                restore.push_back(FLines.Columns[c]);
                restoreArea += area(FLines.Columns[c]);
                column |= FLines.Columns[c];
            }
            if (column.isEmpty())
                continue;
            if (!strips.empty() && 4 * area(strips.back() | column) <= 5 * (area(strips.back()) + area(column)))
                strips.back() |= column;
            else
                strips.push_back(column);
        }
        for (const QRect& strip : strips)
            changed += strip;
        // Row by row, many tall columns cost more than one copy of it all.
        if (restoreArea * 2 > static_cast<qint64>(width()) * height()) {
            CopyGrid();
        } else {
            for (const QRect& r : restore)
                CopyGrid(r);
        }
    } else {
        CopyGrid();
        changed = rect();
    }
    // Where no column changed, the surface already shows these lines.
    if (changed.isEmpty())
        return;
    {
        TCanvas canvas(FSurfacePainter.get());
        DrawLinesOn(canvas, plan);
    }
    FLines = std::move(plan);
    // Only the changed strips go to the screen.
    Present(changed);
}

bool THeartMachine::PrepareSurface()
{
    if (width() <= 0 || height() <= 0)
        return false;
    if (FSurface.size() != size()) {
        FSurfacePainter.reset();
        FSurface = QImage(size(), QImage::Format_RGB32);
        FSurface.fill(ColorToQColor(FColorBackground));
        FSurfaceOnGrid = false;
    } else if (!FSurface.isDetached()) {
        // A copy someone took shares the surface's pixels until either is
        // written, and the painter still points at the shared ones: the
        // surface takes pixels of its own, and the painter follows it.
        FSurfacePainter.reset();
        FSurface.detach();
    }
    if (!FSurfacePainter) {
        FSurfacePainter = std::make_unique<QPainter>(&FSurface);
        // A clip of the whole surface changes no pixel, but with a clip of
        // its own the painter draws a line straight into the pixels. Without
        // one it hands each pixel to the span filler, one call per pixel on
        // a line drawn right to left or upwards.
        FSurfacePainter->setClipRect(FSurface.rect());
    }
    return true;
}

void THeartMachine::Present(const QRegion& area)
{
    // repaint() paints and flushes at once; the flag tells paintEvent that
    // the surface is already up to date.
    FPresenting = true;
    repaint(area);
    FPresenting = false;
}

void THeartMachine::FillBackgroundOn(TCanvas& canvas)
{
    canvas.SetBrushColor(FColorBackground);
    canvas.FillRect(TRect{0, 0, width(), height()});
}

void THeartMachine::DrawGridOn(TCanvas& canvas)
{
    FillBackgroundOn(canvas);
    canvas.SetPenColor(FColorGrid);
    canvas.SetPenWidth(1);

    const int w = width();
    const int h = height();
    const int hs = h / FHGridCount;
    for (int k = 1; k <= FHGridCount - 1; ++k) {
        canvas.MoveTo(0, k * hs);
        canvas.LineTo(w, k * hs);
    }
    // The last column ends at HTickCount × vs; no line is drawn there.
    const int vs = w / FHTickCount;
    for (int j = FHTickCount - 1; j >= 0; --j) {
        canvas.MoveTo(j * vs, 0);
        canvas.LineTo(j * vs, h);
    }
}

bool THeartMachine::UpdateGridImage()
{
    const TGridKey key{size(), FColorBackground, FColorGrid, FHGridCount, FHTickCount};
    if (!FGridImage.isNull() && key == FGridKey)
        return false;
    FGridImage = QImage(size(), QImage::Format_RGB32);
    {
        TCanvas canvas(&FGridImage);
        DrawGridOn(canvas);
    }
    FGridKey = key;
    return true;
}

void THeartMachine::CopyGrid()
{
    // Same size and format, so the bits copy as they are.
    std::memcpy(FSurface.bits(), FGridImage.constBits(), static_cast<std::size_t>(FSurface.sizeInBytes()));
    FSurfaceOnGrid = true;
}

void THeartMachine::CopyGrid(const QRect& area)
{
    const QRect r = area & FSurface.rect();
    if (r.isEmpty())
        return;
    // Row addresses by stride: scanLine() checks for sharing on every call.
    const auto bytes = static_cast<std::size_t>(r.width()) * sizeof(QRgb);
    const qsizetype stride = FSurface.bytesPerLine();
    const qsizetype gridStride = FGridImage.bytesPerLine();
    const qsizetype left = r.left() * static_cast<qsizetype>(sizeof(QRgb));
    uchar* to = FSurface.bits() + r.top() * stride + left;
    const uchar* from = FGridImage.constBits() + r.top() * gridStride + left;
    for (int y = r.top(); y <= r.bottom(); ++y, to += stride, from += gridStride)
        std::memcpy(to, from, bytes);
}

THeartMachine::TLinePlan THeartMachine::PlanLines() const
{
    TLinePlan plan;
    const int s = width() / FHTickCount;
    // A segment's pixels stay within a pixel of its end points; two leave
    // room for the square caps.
    constexpr int Margin = 2;
    plan.Rows.resize(FValues.size());
    plan.Columns.assign(FHTickCount, QRect());
    for (std::size_t line = 0; line < FValues.size(); ++line) {
        if (!FVisible[line])
            continue;
        const TRow& row = FValues[line];
        std::vector<int>& rows = plan.Rows[line];
        rows.resize(static_cast<std::size_t>(FHTickCount) + 1);
        // Point i sits at x = i × s; the newest sample is point HTickCount.
        for (int i = 0; i <= FHTickCount; ++i)
            rows[static_cast<std::size_t>(i)] = ValueToY(row[HistoryLength - 1 - FHTickCount + i]);
        for (int c = 0; c < FHTickCount; ++c) {
            const int a = rows[static_cast<std::size_t>(c)];
            const int b = rows[static_cast<std::size_t>(c) + 1];
            plan.Columns[static_cast<std::size_t>(c)] |=
                QRect(QPoint(c * s - Margin, std::min(a, b) - Margin), QPoint((c + 1) * s + Margin, std::max(a, b) + Margin));
        }
    }
    const QRect all = rect();
    for (QRect& column : plan.Columns)
        column &= all;
    return plan;
}

bool THeartMachine::ColumnDiffers(const TLinePlan& before, const TLinePlan& after, std::size_t column)
{
    // Same lines through the same rows at both ends of the column: the same
    // pixels, drawn in the same order.
    static const std::vector<int> hidden;
    const std::size_t lines = std::max(before.Rows.size(), after.Rows.size());
    for (std::size_t line = 0; line < lines; ++line) {
        const std::vector<int>& a = line < before.Rows.size() ? before.Rows[line] : hidden;
        const std::vector<int>& b = line < after.Rows.size() ? after.Rows[line] : hidden;
        if (a.size() != b.size())
            return true;
        if (!a.empty() && (a[column] != b[column] || a[column + 1] != b[column + 1]))
            return true;
    }
    return false;
}

void THeartMachine::DrawLinesOn(TCanvas& canvas, const TLinePlan& plan)
{
    canvas.SetPenWidth(1);
    const int s = width() / FHTickCount;
    for (std::size_t line = 0; line < plan.Rows.size(); ++line) {
        const std::vector<int>& rows = plan.Rows[line];
        if (rows.empty())
            continue;
        canvas.SetPenColor(LineColors[line]);
        canvas.MoveTo(FHTickCount * s, rows[static_cast<std::size_t>(FHTickCount)]);
        for (int j = 1; j <= FHTickCount; ++j)
            canvas.LineTo((FHTickCount - j) * s, rows[static_cast<std::size_t>(FHTickCount - j)]);
    }
}

void THeartMachine::Realign()
{
    if (FAlign != TAlign::alClient)
        return;
    if (const QWidget* parent = parentWidget())
        setGeometry(parent->contentsRect());
}

bool THeartMachine::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ParentAboutToChange:
        if (QWidget* parent = parentWidget())
            parent->removeEventFilter(this);
        break;
    case QEvent::ParentChange:
        if (QWidget* parent = parentWidget(); parent && FAlign == TAlign::alClient)
            parent->installEventFilter(this);
        Realign();
        break;
    case QEvent::Move:
    case QEvent::Resize:
        // Aligned to the client area, the graph's bounds follow the parent only.
        if (FAlign == TAlign::alClient) {
            if (const QWidget* parent = parentWidget(); parent && geometry() != parent->contentsRect())
                Realign();
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool THeartMachine::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        Realign();
    return QWidget::eventFilter(watched, event);
}

void THeartMachine::paintEvent(QPaintEvent* event)
{
    if (width() <= 0 || height() <= 0)
        return;
    if (!FPresenting && PrepareSurface()) {
        UpdateGridImage();
        CopyGrid();
        TLinePlan plan = PlanLines();
        {
            TCanvas canvas(FSurfacePainter.get());
            DrawLinesOn(canvas, plan);
        }
        FLines = std::move(plan);
    }
    // One rectangle at a time, each its own clip: a copy clipped to a
    // rectangle is a plain copy of rows.
    QPainter painter(this);
    for (const QRect& r : event->region()) {
        painter.setClipRect(r);
        painter.drawImage(r.topLeft(), FSurface, r);
    }
}
