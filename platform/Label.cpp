// SPDX-License-Identifier: MIT
#include "platform/Label.h"

#include <algorithm>

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QTextDocument>

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

QSize TLabel::sizeHint() const
{
    ensurePolished();
    // A label with a picture has no text.
    const QString& caption = text();
    if (caption.isEmpty() || textFormat() == Qt::RichText || textFormat() == Qt::MarkdownText || wordWrap() ||
        margin() != 0 || indent() >= 0 || frameWidth() != 0 || buddy() || minimumWidth() > 0 ||
        !contentsMargins().isNull())
        return QLabel::sizeHint();
    if (FHint.isValid() && caption == FHintText && font() == FHintFont)
        return FHint;
    if (textFormat() == Qt::AutoText && Qt::mightBeRichText(caption))
        return QLabel::sizeHint();
    // As the toolkit measures a one-line text: in a box 2000 wide, without
    // centring (only the size counts).
    const int flags = QStyle::visualAlignment(caption.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight, alignment()) & ~(Qt::AlignVCenter | Qt::AlignHCenter);
    const QRect bounds = fontMetrics().boundingRect(0, 0, 2000, 2000, flags, caption);
    FHint = bounds.size().expandedTo(minimumSize());
    FHintText = caption;
    FHintFont = font();
    return FHint;
}

void TLabel::paintEvent(QPaintEvent* event)
{
    QWidget* parent = parentWidget();
    if (parent && (FBackground.isNull() || !FBackgroundRect.contains(geometry()))) {
        // The parent without its children, as the window shows it: its
        // background and whatever it paints itself. The picture reaches to
        // the parent's right edge, so a label that only grows or shrinks with
        // its text (every new value) finds its background already taken.
        const QRect place = geometry();
        FBackgroundRect = QRect(place.topLeft(), QSize(std::max(place.width(), parent->width() - place.left()),
                                                       place.height()));
        const qreal ratio = devicePixelRatioF();
        FBackground = QImage(FBackgroundRect.size() * ratio, QImage::Format_RGB32);
        FBackground.setDevicePixelRatio(ratio);
        parent->render(&FBackground, QPoint(), QRegion(FBackgroundRect), QWidget::DrawWindowBackground);
    }
    if (!FBackground.isNull()) {
        // Clipped to the region being painted, which lies within the label.
        QPainter painter(this);
        painter.drawImage(QPoint(0, 0), FBackground);
    }
    QLabel::paintEvent(event);
}

namespace {

// Whether the change can alter how a widget looks.
bool ChangesLook(QEvent::Type type)
{
    return type == QEvent::PaletteChange || type == QEvent::StyleChange || type == QEvent::FontChange ||
           type == QEvent::EnabledChange;
}

}  // namespace

void TLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        Watch(parentWidget());
    else if (ChangesLook(event->type()))
        FBackground = QImage();
    QLabel::changeEvent(event);
}

bool TLabel::eventFilter(QObject* watched, QEvent* event)
{
    // The picture of the parent is stale once the parent is resized or looks different.
    if (watched == FWatched && (event->type() == QEvent::Resize || ChangesLook(event->type())))
        FBackground = QImage();
    return QLabel::eventFilter(watched, event);
}
