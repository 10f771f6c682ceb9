#pragma once
// Where the main window reopens: where it was last, when that place is still
// on a screen; else nowhere in particular (the caller centres it).
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

// saved: the frame's top-left corner as last saved; size: the window's
// size; screens: the available areas of the screens there are now. The
// place counts as on a screen when the middle of the window's top edge
// (where its title bar is grabbed) lies on one.
std::optional<QPoint> RestoredPosition(QPoint saved, QSize size, const QList<QRect>& screens);
