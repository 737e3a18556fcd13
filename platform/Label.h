// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QImage>
#include <QLabel>
#include <QRect>
#include <QSize>
#include <QString>

// A static text label that repaints only itself. A plain label is
// transparent: every change of its text repaints what lies under it too (a
// group frame, its title, the window's background). This one paints that
// background itself, from a picture of its parent taken where it stands, so
// the pixels are the same and the parent is left alone. The picture runs
// from the label to the parent's right edge, so a new text that makes the
// label wider or narrower needs no new one. It is taken again when the label
// moves, changes height or grows past it, or when the parent's size, palette,
// style or font changes.
class TLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLabel(QWidget* parent);

    // The toolkit's hint, measured once per text: for a plain one-line text
    // with no frame, margin, indent or buddy the toolkit lays the text out
    // three times to find it; this lays it out once and remembers it until
    // the text or the font changes. Any other label gets the toolkit's hint.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Watch(QWidget* parent);

    QWidget* FWatched = nullptr;
    // The parent's look under the label, and where in the parent it was taken.
    QImage FBackground;
    QRect FBackgroundRect;
    // The last hint measured here, and for which text and font.
    mutable QString FHintText;
    mutable QFont FHintFont;
    mutable QSize FHint;
};
