#include "platform/Label.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

TLabel::TLabel(QWidget* parent) : QLabel(parent)
{
    // Every pixel comes from this label's own painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    Watch(parent);
}

void TLabel::Watch(QWidget* parent)
{
    if (FWatched)
        FWatched->removeEventFilter(this);
    FWatched = parent;
    if (FWatched)
        FWatched->installEventFilter(this);
    FBackground = QImage();
}

void TLabel::paintEvent(QPaintEvent* event)
{
    QWidget* parent = parentWidget();
    if (parent && (FBackground.isNull() || FBackgroundRect != geometry())) {
        // The parent without its children, as the window shows it: its
        // background and whatever it paints itself.
        FBackgroundRect = geometry();
        const qreal ratio = devicePixelRatioF();
        FBackground = QImage(size() * ratio, QImage::Format_RGB32);
        FBackground.setDevicePixelRatio(ratio);
        parent->render(&FBackground, QPoint(), QRegion(FBackgroundRect), QWidget::DrawWindowBackground);
    }
    if (!FBackground.isNull()) {
        // Clipped to the region being painted.
        QPainter painter(this);
        painter.drawImage(QPoint(0, 0), FBackground);
    }
    QLabel::paintEvent(event);
}

void TLabel::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
        Watch(parentWidget());
        break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::FontChange:
    case QEvent::EnabledChange:
        FBackground = QImage();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

bool TLabel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FWatched) {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::PaletteChange:
        case QEvent::StyleChange:
        case QEvent::FontChange:
        case QEvent::EnabledChange:
            FBackground = QImage();
            break;
        default:
            break;
        }
    }
    return QLabel::eventFilter(watched, event);
}
