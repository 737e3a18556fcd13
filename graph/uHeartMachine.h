// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QWidget>

#include "graph/GraphSurface.h"
#include "graph/LineMenu.h"
#include "platform/Colors.h"

class QFocusFrame;
class TCanvas;
struct TRect;

// How a control follows its parent: alClient fills the parent's client area,
// the one alignment a graph has.
enum class TAlign { alClient };

// A scrolling line graph in the manner of a heart monitor: a solid
// background, a grid of horizontal bands and vertical columns, and one
// coloured polyline per visible line with the newest sample at the right.
// Each line keeps its latest 100 integer samples. The control draws into an
// image it owns, at its screen's device pixel ratio, and shows it at once, so
// what a setter or AddPoint drew is on screen before they return; a paint
// request from the toolkit redraws everything from the stored samples.
//
// Tab reaches the graph; focused, it is marked by a frame round the parent
// it fills, outside its own pixels. To assistive technology it is a chart
// named by its accessible name and described by its accessible description,
// whose value is line 0's newest sample.
//
// Limits the caller must respect (not checked): line indices 0 to 16, a new
// line's index exactly LastLine() + 1, HGridCount and HTickCount at least 1,
// HTickCount at most 99, Max greater than Min.
class THeartMachine : public QWidget, public TLineItemPainter {
    Q_OBJECT

public:
    static constexpr int HistoryLength = 100;
    using TRow = std::array<std::int32_t, HistoryLength>;

    // Pen colour of each line, by line index.
    static const std::array<TColor, 17> LineColors;

    // Creates the graph as a child of its owner, black with a green grid,
    // filling the owner's client area.
    explicit THeartMachine(QWidget* AOwner);
    ~THeartMachine() override;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);

    // Setting a colour or the band count draws background and grid at once;
    // the lines stay erased until the next full drawing.
    TColor ColorBackground() const { return FColorBackground; }
    void SetColorBackground(TColor value);
    TColor ColorGrid() const { return FColorGrid; }
    void SetColorGrid(TColor value);
    std::uint8_t HGridCount() const { return FHGridCount; }
    void SetHGridCount(std::uint8_t value);

    // Stored with no drawing.
    std::int32_t Min() const { return FMin; }
    void SetMin(std::int32_t value) { FMin = value; }
    std::int32_t Max() const { return FMax; }
    void SetMax(std::int32_t value) { FMax = value; }
    std::uint8_t HTickCount() const { return FHTickCount; }
    void SetHTickCount(std::uint8_t value) { FHTickCount = value; }

    // Appends a sample to a line (registering the line when it is the next
    // new one), refreshes the line's menu entry with the caption and redraws
    // the whole graph at once. Raises ERangeError "Point value out of range
    // (<value>)" for a value outside [Min, Max], before anything changes.
    void AddPoint(int lineIndex, std::int32_t value, const QString& caption);

    // The pixel row of a sample: Max maps to row 1, Min to row height − 1.
    int ValueToY(std::int32_t value) const;

    // Background and grid only; the lines stay erased until DrawLines.
    void DrawGrid();
    // Background, grid and every visible line.
    void DrawLines();

    const std::vector<TRow>& Values() const { return FValues; }
    const std::vector<std::uint8_t>& Visible() const { return FVisible; }
    int LastLine() const { return FLastLine; }
    // Opened by a right-click on the graph, or by Shift+F10 or the Menu key
    // with its first entry selected; one entry per line that has had a
    // sample, named by its caption or, without one, by the graph's name.
    TLineMenu* LineMenu() const { return FLineMenu; }

    // Owner-draw handlers of the line menu's entries. MeasureLineItem gets
    // the width preset to the caption's width and the height to the platform's
    // item height plus 3; it makes the width the caption's width on the
    // canvas plus 10 and keeps the height. DrawLineItem paints the whole
    // entry: the background, the caption in the line's colour and, when
    // checked, a tick mark.
    void MeasureLineItem(TLineItem* item, TCanvas& canvas, int& width, int& height) override;
    void DrawLineItem(TLineItem* item, TCanvas& canvas, const TRect& rect, bool selected) override;
    // Hides or shows the entry's line and redraws the graph at once.
    void ToggleLine(TLineItem* item);

    // What the graph has drawn, pixel for pixel, in the device pixels of the
    // screen it is on (the image carries their ratio).
    const QImage& Surface() const { return FSurface.Image(); }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Sizes the surface to the control and brings its background and grid
    // up to date; false while the control is empty, when nothing is drawn.
    bool PrepareSurface();
    // Shows the area of the surface on screen before returning.
    void Present(const QRegion& area);
    // The steps of the drawing, each on the canvas it is given.
    void FillBackground(TCanvas& canvas);
    void DrawGridLines(TCanvas& canvas);
    void DrawPolylines(TCanvas& canvas, const TLinePoints& points);
    // Where the visible lines pass.
    TLinePoints PlanLines() const;
    // Draws the visible lines on the surface where they changed; returns
    // that area.
    QRegion RedrawLines();
    void UpdateLineMenu(int lineIndex, const QString& caption);
    void Realign();

    TColor FColorBackground = clBlack;
    TColor FColorGrid = clGreen;
    std::uint8_t FHGridCount = 5;
    std::uint8_t FHTickCount = 10;
    std::int32_t FMin = 1;
    std::int32_t FMax = 10;
    // Line 0 exists from the start: one row of zeros, shown.
    std::vector<TRow> FValues = std::vector<TRow>(1);
    std::vector<std::uint8_t> FVisible = std::vector<std::uint8_t>(1, 1);
    int FLastLine = 0;
    TLineMenu* FLineMenu = nullptr;
    TLineMenuStyle* FLineMenuStyle = nullptr;
    // A child of the parent's parent while shown, so it may go first.
    QPointer<QFocusFrame> FFocusMark;

    TAlign FAlign = TAlign::alClient;
    TGraphSurface FSurface;
    bool FPresenting = false;
};
