// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QSize>

#include "platform/Colors.h"

// Where a graph's visible lines pass, in the control's pixels: for each line
// the rows of its points, leftmost first (none for a hidden line). Point i of
// a line sits at x = i × Step; column c runs from point c to point c + 1.
struct TLinePoints {
    std::vector<std::vector<int>> Rows;
    int Step = 0;
    int Columns = 0;
};

// What a graph's background and grid depend on.
struct TGridKey {
    QSize Size;
    qreal Ratio = 1;
    TColor Background = 0;
    TColor Grid = 0;
    std::uint8_t Bands = 0;
    std::uint8_t Columns = 0;
    bool operator==(const TGridKey&) const = default;
};

// The picture a graph shows, and what it keeps to draw the next one cheaply:
// the background and grid in an image of their own, drawn again only when
// they change, and where the lines on the picture pass, so that a new sample
// puts the grid back, and goes to the screen, only in the columns where a
// line moved.
//
// The picture has the device pixels of the screen the control is on (its
// size in the control's pixels times the device pixel ratio, with that
// ratio set), so the screen shows it pixel for pixel. Pixels() and the grid
// image are those device pixels, with no ratio of their own: draw on them
// through a canvas scaled by Ratio().
class TGraphSurface {
public:
    // Sizes the picture for a control of this size at this ratio; false
    // while the size is empty, when there is nothing to draw on. Call before
    // every drawing: it also gives the picture pixels of its own when a copy
    // shares them.
    bool Prepare(QSize size, qreal ratio);

    // The grid image, to draw the background and grid on at once, when they
    // were last drawn for another key; nullptr while they are current.
    QImage* StaleGrid(const TGridKey& key);
    // Puts the background and grid on the whole picture, with no lines.
    void ShowGrid();
    // Gets the picture ready for lines along these points: puts the grid
    // back wherever the lines on it differ from them (everywhere after a new
    // grid) and returns that area; the caller draws the lines there at once.
    // Empty when the picture already shows these lines.
    QRegion ClearForLines(const TLinePoints& points);

    // The picture's pixels, valid until the next Prepare.
    QImage* Pixels() { return &FPixels; }
    qreal Ratio() const { return FRatio; }
    const QImage& Image() const { return FImage; }
    // The device pixels of the picture under an area of the control.
    QRect DeviceRect(const QRect& area) const;

private:
    // For each column, the rectangle that holds every line's pixels there.
    static std::vector<QRect> ColumnBoxes(const TLinePoints& points, const QRect& bounds);
    // Whether the lines' pixels in the column differ between two sets of
    // points with the same step.
    static bool ColumnDiffers(const TLinePoints& before, const TLinePoints& after, std::size_t column);
    void CopyGrid();
    void CopyGrid(const QRect& deviceArea);

    QSize FSize;
    qreal FRatio = 1;
    QImage FImage;
    // The picture's pixels with no ratio, to draw on.
    QImage FPixels;
    // Background and grid alone, as drawn for FGridKey; they never change
    // from one sample to the next.
    QImage FGridImage;
    TGridKey FGridKey;
    // While set, the picture is the grid image with FLines drawn over it,
    // each column's pixels within FLineBoxes.
    bool FOnGrid = false;
    TLinePoints FLines;
    std::vector<QRect> FLineBoxes;
};
