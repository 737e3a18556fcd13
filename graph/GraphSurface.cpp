// SPDX-License-Identifier: MIT
#include "graph/GraphSurface.h"

#include <algorithm>
#include <cstring>
#include <utility>

bool TGraphSurface::Prepare(QSize size, qreal ratio)
{
    if (size.isEmpty())
        return false;
    if (FSize != size || FRatio != ratio || FImage.isNull()) {
        // A new size, or the control's window moved to a screen of another
        // ratio: a new picture, drawn whole.
        FSize = size;
        FRatio = ratio;
        FImage = QImage(size * ratio, QImage::Format_RGB32);
        FImage.setDevicePixelRatio(ratio);
        FOnGrid = false;
    }
    // The same pixels with no ratio (bits() gives the picture pixels of its
    // own when a copy someone took shares them): on the picture itself the
    // toolkit would scale every coordinate by the ratio and round each line's
    // edges where they fall, and at 150 % a 1-pixel grid would come out 1 and
    // 2 device pixels wide by turns.
    FPixels = QImage(FImage.bits(), FImage.width(), FImage.height(), FImage.bytesPerLine(), FImage.format());
    return true;
}

QImage* TGraphSurface::StaleGrid(const TGridKey& key)
{
    if (!FGridImage.isNull() && key == FGridKey)
        return nullptr;
    FGridImage = QImage(key.Size * key.Ratio, QImage::Format_RGB32);
    FGridKey = key;
    FOnGrid = false;
    return &FGridImage;
}

void TGraphSurface::ShowGrid()
{
    CopyGrid();
    FLines = TLinePoints{};
    FLineBoxes.clear();
}

QRegion TGraphSurface::ClearForLines(const TLinePoints& points)
{
    const QRect all(QPoint(0, 0), FSize);
    std::vector<QRect> boxes = ColumnBoxes(points, all);
    QRegion changed;
    if (!FOnGrid) {
        CopyGrid();
        changed = all;
    } else {
        // Only the columns where a line moved need the grid back and go to
        // the screen, as one rectangle round them; the lines are drawn whole.
        std::vector<QRect> restore;
        QRect bounds;
        for (std::size_t c = 0; c < boxes.size(); ++c) {
            if (!ColumnDiffers(FLines, points, c))
                continue;
            if (restore.capacity() == 0)
                restore.reserve(boxes.size() - c);
            QRect column = boxes[c];
            if (c < FLineBoxes.size() && !FLineBoxes[c].isEmpty()) {
                restore.push_back(FLineBoxes[c]);
                column |= FLineBoxes[c];
            }
            if (!column.isEmpty())
                bounds |= column;
        }
        qint64 restoreArea = 0;
        for (const QRect& r : restore)
            restoreArea += static_cast<qint64>(r.width()) * r.height();
        // The grid image is one copy over contiguous memory, the columns a
        // short copy for each of their rows. Once the columns hold more than
        // half the picture, the whole copy moves less than twice their
        // pixels in a single call.
        if (restoreArea * 2 > static_cast<qint64>(FSize.width()) * FSize.height()) {
            CopyGrid();
        } else {
            for (const QRect& r : restore)
                CopyGrid(DeviceRect(r));
        }
        changed = bounds;
    }
    // A copy into the same shape reuses the rows' storage.
    FLines = points;
    FLineBoxes = std::move(boxes);
    return changed;
}

std::vector<QRect> TGraphSurface::ColumnBoxes(const TLinePoints& points, const QRect& bounds)
{
    // A segment's pixels stay within a pixel of its end points; two leave
    // room for the square caps, and at a ratio above 1 for the line's width
    // in device pixels (about one of the control's pixels) around them.
    constexpr int Margin = 2;
    const int s = points.Step;
    std::vector<QRect> boxes(static_cast<std::size_t>(points.Columns));
    for (const std::vector<int>& rows : points.Rows) {
        if (rows.empty())
            continue;
        for (int c = 0; c < points.Columns; ++c) {
            const int a = rows[static_cast<std::size_t>(c)];
            const int b = rows[static_cast<std::size_t>(c) + 1];
            boxes[static_cast<std::size_t>(c)] |=
                QRect(QPoint(c * s - Margin, std::min(a, b) - Margin), QPoint((c + 1) * s + Margin, std::max(a, b) + Margin));
        }
    }
    for (QRect& box : boxes)
        box &= bounds;
    return boxes;
}

bool TGraphSurface::ColumnDiffers(const TLinePoints& before, const TLinePoints& after, std::size_t column)
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

void TGraphSurface::CopyGrid()
{
    // Same size and format, so the bits copy as they are.
    std::memcpy(FImage.bits(), FGridImage.constBits(), static_cast<std::size_t>(FImage.sizeInBytes()));
    FOnGrid = true;
}

QRect TGraphSurface::DeviceRect(const QRect& area) const
{
    if (FRatio == 1)
        return area & FImage.rect();
    // Every device pixel the area touches, part of one included.
    const QRectF device(area.x() * FRatio, area.y() * FRatio, area.width() * FRatio, area.height() * FRatio);
    return device.toAlignedRect() & FImage.rect();
}

void TGraphSurface::CopyGrid(const QRect& deviceArea)
{
    const QRect r = deviceArea & FImage.rect();
    if (r.isEmpty())
        return;
    // Row addresses by stride: scanLine() checks for sharing on every call.
    const auto bytes = static_cast<std::size_t>(r.width()) * sizeof(QRgb);
    const qsizetype stride = FImage.bytesPerLine();
    const qsizetype gridStride = FGridImage.bytesPerLine();
    const qsizetype left = r.left() * static_cast<qsizetype>(sizeof(QRgb));
    uchar* to = FImage.bits() + r.top() * stride + left;
    const uchar* from = FGridImage.constBits() + r.top() * gridStride + left;
    for (int y = r.top(); y <= r.bottom(); ++y, to += stride, from += gridStride)
        std::memcpy(to, from, bytes);
}
