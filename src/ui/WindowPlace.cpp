#include "ui/WindowPlace.h"

#include "ui/MainForm.h"

#include <QGuiApplication>
#include <QScreen>

std::optional<QPoint> RestoredPosition(QPoint saved, QSize size, const QList<QRect>& screens) {
    const QPoint grip(saved.x() + size.width() / 2, saved.y() + 10);
    for (const QRect& screen : screens)
        if (screen.contains(grip)) return saved;
    return std::nullopt;
}

void TMainForm::RestorePosition(const MainWindowPreferences& saved) {
    if (!saved.Position) return;
    // The size it had, no smaller than the default and no larger than the
    // screen it opens on.
    if (saved.Position->Width > 0 && saved.Position->Height > 0) {
        QSize size(saved.Position->Width, saved.Position->Height);
        if (QScreen* screen = QGuiApplication::primaryScreen())
            size = size.boundedTo(screen->availableGeometry().size());
        resize(size.expandedTo(minimumSize()));
    }
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const std::optional<QPoint> place = RestoredPosition(
        QPoint(saved.Position->Left, saved.Position->Top), frameGeometry().size(), screens);
    if (place)
        move(*place);
    else if (QScreen* primary = QGuiApplication::primaryScreen())
        move(primary->availableGeometry().center() - rect().center());
}
