#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QWidget>

#include "graph/LineMenu.h"
#include "platform/Colors.h"

class TCanvas;
struct TRect;
// How a control follows its parent: not at all, or filling its client area.
enum class TAlign { alNone, alClient };

// A scrolling line graph in the manner of a heart monitor: a solid
// background, a grid of horizontal bands and vertical columns, and one
// coloured polyline per visible line with the newest sample at the right.
// Each line keeps its latest 100 integer samples. The control draws into an
// image it owns and shows it at once, so what a setter or AddPoint drew is on
// screen before they return; a paint request from the toolkit redraws
// everything from the stored samples.
//
// Limits the caller must respect (not checked): line indices 0 to 16, a new
// line's index exactly LastLine() + 1, HGridCount and HTickCount at least 1,
// HTickCount at most 99, Max greater than Min.
class THeartMachine : public QWidget {
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

    void FillBackground();
    void DrawGrid();
    void DrawLines();

    const std::vector<TRow>& Values() const { return FValues; }
    const std::vector<std::uint8_t>& Visible() const { return FVisible; }
    int LastLine() const { return FLastLine; }
    // Opened by a right-click on the graph; one entry per line that has had
    // a sample.
    TLineMenu* LineMenu() const { return FLineMenu; }

    // Owner-draw handlers of the line menu's entries. MeasureLineItem gets
    // the width preset to the caption's width and the height to the platform's
    // item height plus 3; it makes the width the caption's width on the
    // canvas plus 10 and keeps the height. DrawLineItem paints the whole
    // entry: the background, the caption in the line's colour and, when
    // checked, a tick mark.
    void MeasureLineItem(TLineItem* item, TCanvas& canvas, int& width, int& height);
    void DrawLineItem(TLineItem* item, TCanvas& canvas, const TRect& rect, bool selected);
    // Hides or shows the entry's line and redraws the graph at once.
    void ToggleLine(TLineItem* item);

    // What the graph has drawn, pixel for pixel.
    const QImage& Surface() const { return FSurface; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // What the background and grid depend on.
    struct TGridKey {
        QSize Size;
        TColor Background = 0;
        TColor Grid = 0;
        std::uint8_t Bands = 0;
        std::uint8_t Columns = 0;
        bool operator==(const TGridKey&) const = default;
    };

    // Sizes the surface to the control; false while the control is empty,
    // when nothing is drawn.
    bool PrepareSurface();
    // Shows the area of the surface on screen before returning.
    void Present(const QRegion& area);
    void FillBackgroundOn(TCanvas& canvas);
    void DrawGridOn(TCanvas& canvas);
    // Draws the grid image again when anything it depends on has changed;
    // true when it did.
    bool UpdateGridImage();
    // Puts the grid image's background and grid on the whole surface, or on
    // one area of it.
    void CopyGrid();
    void CopyGrid(const QRect& area);
    // Where the visible lines go: for each line the rows of its points,
    // leftmost first (none for a hidden line), and for each column the
    // rectangle that holds every line's pixels there.
    struct TLinePlan {
        std::vector<std::vector<int>> Rows;
        std::vector<QRect> Columns;
    };
    TLinePlan PlanLines() const;
    // Whether the lines' pixels in the column differ between two plans for
    // the same size and column count.
    static bool ColumnDiffers(const TLinePlan& before, const TLinePlan& after, std::size_t column);
    void DrawLinesOn(TCanvas& canvas, const TLinePlan& plan);
    void UpdateLineMenu(int lineIndex, const QString& caption);
    void Realign();

    TColor FColorBackground = clBlack;
    TColor FColorGrid = clGreen;
    std::uint8_t FHGridCount = 5;
    std::uint8_t FHTickCount = 10;
    std::int32_t FMin = 1;
    std::int32_t FMax = 10;
    std::vector<TRow> FValues;
    std::vector<std::uint8_t> FVisible;
    int FLastLine = 0;
    TLineMenu* FLineMenu = nullptr;
    TLineMenuStyle* FLineMenuStyle = nullptr;

    TAlign FAlign = TAlign::alNone;
    QImage FSurface;
    // Open on the surface for as long as the surface lives: beginning a
    // painter costs more than the lines a sample draws with it.
    std::unique_ptr<QPainter> FSurfacePainter;
    // Background and grid alone, as drawn for FGridKey; they never change
    // from one sample to the next.
    QImage FGridImage;
    TGridKey FGridKey;
    // While set, the surface is the grid image with FLines drawn over it.
    bool FSurfaceOnGrid = false;
    TLinePlan FLines;
    bool FPresenting = false;
};
