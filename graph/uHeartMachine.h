#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <QImage>
#include <QString>
#include <QWidget>

#include "platform/Colors.h"

class QMenu;
class TCanvas;

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
    QMenu* LineMenu() const { return FLineMenu; }

    // What the graph has drawn, pixel for pixel.
    const QImage& Surface() const { return FSurface; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Runs draw on a canvas over the surface (sized to the control first),
    // then shows the surface; nothing is drawn while the control is empty.
    template <typename TDraw>
    void DrawOnSurface(TDraw draw, bool present);
    void FillBackgroundOn(TCanvas& canvas);
    void DrawGridOn(TCanvas& canvas);
    void DrawLinesOn(TCanvas& canvas);
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
    QMenu* FLineMenu = nullptr;

    TAlign FAlign = TAlign::alNone;
    QImage FSurface;
    bool FPresenting = false;
};
