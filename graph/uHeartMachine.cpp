// SPDX-License-Identifier: MIT
#include "graph/uHeartMachine.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFocusFrame>
#include <QKeyEvent>
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

namespace {

// What assistive technology reads of a graph: a chart with its accessible
// name and description, whose value is line 0's newest sample between Min
// and Max. The value text is the description, for the platforms that read a
// value as text.
class TGraphAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TGraphAccessible(THeartMachine* graph) : QAccessibleWidget(graph, QAccessible::Chart) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text type) const override
    {
        return QAccessibleWidget::text(type == QAccessible::Value ? QAccessible::Description : type);
    }
    QVariant currentValue() const override { return Graph()->Values()[0].back(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return Graph()->Max(); }
    QVariant minimumValue() const override { return Graph()->Min(); }
    QVariant minimumStepSize() const override { return 0; }

private:
    const THeartMachine* Graph() const { return static_cast<const THeartMachine*>(widget()); }
};

QAccessibleInterface* AccessibleGraph(const QString& className, QObject* object)
{
    if (className != QLatin1String(THeartMachine::staticMetaObject.className()))
        return nullptr;
    return new TGraphAccessible(static_cast<THeartMachine*>(object));
}

}  // namespace

THeartMachine::THeartMachine(QWidget* AOwner) : QWidget(AOwner)
{
    // Before anything asks for the graph's accessible interface.
    QAccessible::installFactory(AccessibleGraph);
    FLineMenu = new TLineMenu(this);
    setFocusPolicy(Qt::TabFocus);

    // Every pixel comes from the surface, so the toolkit need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);

    resize(100, 100);
    // Each colour setter draws background and grid, as a new graph shows them.
    SetColorBackground(FColorBackground);
    SetColorGrid(FColorGrid);
    if (QWidget* parent = parentWidget())
        parent->installEventFilter(this);
    // From now on the graph fills its parent's client area.
    SetAlign(TAlign::alClient);
}

THeartMachine::~THeartMachine()
{
    // The menu goes with the graph; it must not outlive its style.
    delete FLineMenu;
    delete FLineMenuStyle;
    delete FFocusMark;
}

void THeartMachine::SetAlign(TAlign value)
{
    FAlign = value;
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
    if (lineIndex == 0) {
        QAccessibleValueChangeEvent changed(this, value);
        QAccessible::updateAccessibility(&changed);
    }
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

void THeartMachine::DrawGrid()
{
    if (!PrepareSurface())
        return;
    FSurface.ShowGrid();
    Present(rect());
}

void THeartMachine::DrawLines()
{
    if (!PrepareSurface())
        return;
    // Where no column changed, the surface already shows these lines.
    const QRegion changed = RedrawLines();
    if (!changed.isEmpty())
        Present(changed);
}

QRegion THeartMachine::RedrawLines()
{
    TLinePoints points = PlanLines();
    const QRegion changed = FSurface.ClearForLines(points);
    if (!changed.isEmpty()) {
        TCanvas canvas(FSurface.Pixels(), FSurface.Ratio());
        DrawPolylines(canvas, points);
    }
    return changed;
}

bool THeartMachine::PrepareSurface()
{
    // At the ratio of the screen the window is on now; it follows the window
    // to a screen of another ratio at the next drawing, and the toolkit
    // repaints the whole window after such a move.
    const qreal ratio = devicePixelRatio();
    if (!FSurface.Prepare(size(), ratio))
        return false;
    // Background and grid are drawn again only when a setting, the size or the ratio changed.
    const TGridKey key{size(), ratio, FColorBackground, FColorGrid, FHGridCount, FHTickCount};
    if (QImage* grid = FSurface.StaleGrid(key)) {
        TCanvas canvas(grid, ratio);
        FillBackground(canvas);
        DrawGridLines(canvas);
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

void THeartMachine::FillBackground(TCanvas& canvas)
{
    canvas.SetBrushColor(FColorBackground);
    canvas.FillRect(TRect{0, 0, width(), height()});
}

void THeartMachine::DrawGridLines(TCanvas& canvas)
{
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

TLinePoints THeartMachine::PlanLines() const
{
    TLinePoints points;
    points.Step = width() / FHTickCount;
    points.Columns = FHTickCount;
    points.Rows.resize(FValues.size());
    for (std::size_t line = 0; line < FValues.size(); ++line) {
        if (!FVisible[line])
            continue;
        const TRow& row = FValues[line];
        std::vector<int>& rows = points.Rows[line];
        rows.resize(static_cast<std::size_t>(FHTickCount) + 1);
        // Point i sits at x = i × s; the newest sample is point HTickCount.
        for (int i = 0; i <= FHTickCount; ++i)
            rows[static_cast<std::size_t>(i)] = ValueToY(row[HistoryLength - 1 - FHTickCount + i]);
    }
    return points;
}

void THeartMachine::DrawPolylines(TCanvas& canvas, const TLinePoints& points)
{
    canvas.SetPenWidth(1);
    const int s = points.Step;
    const int n = points.Columns;
    for (std::size_t line = 0; line < points.Rows.size(); ++line) {
        const std::vector<int>& rows = points.Rows[line];
        if (rows.empty())
            continue;
        canvas.SetPenColor(LineColors[line]);
        canvas.MoveTo(n * s, rows[static_cast<std::size_t>(n)]);
        for (int j = 1; j <= n; ++j)
            canvas.LineTo((n - j) * s, rows[static_cast<std::size_t>(n - j)]);
    }
}

void THeartMachine::Realign()
{
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
        if (QWidget* parent = parentWidget())
            parent->installEventFilter(this);
        Realign();
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (!FFocusMark) {
            FFocusMark = new QFocusFrame(this);
            // In the highlight colour: the style's own is as dark as the graph.
            QPalette colours = FFocusMark->palette();
            colours.setColor(QPalette::WindowText, colours.color(QPalette::Highlight));
            FFocusMark->setPalette(colours);
        }
        // Round the parent, which the graph fills: every pixel of the graph
        // stays as drawn.
        FFocusMark->setWidget(event->type() == QEvent::FocusIn ? parentWidget() : nullptr);
        break;
    case QEvent::Move:
    case QEvent::Resize:
        // Aligned to the client area, the graph's bounds follow the parent only.
        if (const QWidget* parent = parentWidget(); parent && geometry() != parent->contentsRect())
            Realign();
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
        FSurface.ShowGrid();
        RedrawLines();
    }
    // One rectangle at a time, each its own clip: a copy clipped to a
    // rectangle is a plain copy of rows. The surface's device pixels go to
    // the screen's one for one.
    QPainter painter(this);
    const qreal ratio = FSurface.Ratio();
    for (const QRect& r : event->region()) {
        const QRect source = FSurface.DeviceRect(r);
        painter.setClipRect(r);
        painter.drawImage(QPointF(source.topLeft()) / ratio, FSurface.Image(), source);
    }
}

void THeartMachine::contextMenuEvent(QContextMenuEvent* event)
{
    // An empty menu would open as an invisible popup that swallows the next click.
    if (FLineMenu->isEmpty())
        return;
    FLineMenu->popup(event->globalPos());
    // From the keyboard, a selected entry, so that Space or Enter acts at once.
    if (event->reason() == QContextMenuEvent::Keyboard)
        FLineMenu->setActiveAction(FLineMenu->actions().first());
}

void THeartMachine::keyPressEvent(QKeyEvent* event)
{
    // The platform makes a menu request of these keys itself only on some
    // systems (Shift+F10 on Windows, the Menu key on X11).
    const bool shiftF10 = event->keyCombination() == QKeyCombination(Qt::ShiftModifier, Qt::Key_F10);
    if (event->key() != Qt::Key_Menu && !shiftF10) {
        QWidget::keyPressEvent(event);
        return;
    }
    const QPoint centre = rect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, centre, mapToGlobal(centre));
    contextMenuEvent(&request);
}

void THeartMachine::UpdateLineMenu(int lineIndex, const QString& caption)
{
    if (FLineMenu->actions().size() < lineIndex + 1) {
        auto* item = new TLineItem(lineIndex, this);
        connect(item, &QAction::triggered, this, [this, item] { ToggleLine(item); });
        item->SetChecked(true);
        FLineMenu->addAction(item);
        if (!FLineMenuStyle) {
            FLineMenuStyle = new TLineMenuStyle(this);
            FLineMenu->setStyle(FLineMenuStyle);
        }
    }
    auto* item = static_cast<TLineItem*>(FLineMenu->actions()[lineIndex]);
    item->SetCaption(caption);
    // A screen reader names the entry by the action's text.
    item->setText(caption.isEmpty() ? accessibleName() : caption);
}

void THeartMachine::MeasureLineItem(TLineItem* item, TCanvas& canvas, int& width, int& height)
{
    static_cast<void>(height);
    width = canvas.TextWidth(item->Caption()) + 10;
}

void THeartMachine::DrawLineItem(TLineItem* item, TCanvas& canvas, const TRect& rect, bool selected)
{
    canvas.SetBrushColor(selected ? clActiveCaption : clBtnFace);
    canvas.FillRect(rect);
    canvas.SetFontColor(LineColors[item->Tag()]);
    canvas.TextOut(rect.Left + 12, rect.Top + 3, item->Caption());
    if (item->Checked()) {
        canvas.SetPenColor(selected ? clCaptionText : clMenuText);
        canvas.SetPenWidth(2);
        canvas.MoveTo(rect.Left + 1, rect.Top + 9);
        canvas.LineTo(rect.Left + 4, rect.Top + 12);
        canvas.LineTo(rect.Left + 9, rect.Top + 6);
    }
}

void THeartMachine::ToggleLine(TLineItem* item)
{
    const int tag = item->Tag();
    FVisible[tag] = !FVisible[tag];
    item->SetChecked(FVisible[tag] != 0);
    DrawLines();
}
