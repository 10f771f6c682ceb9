// The window can grow beyond its default size, which is also its smallest:
// the task list and the sheets of the right-hand column take the extra room,
// the right-hand column and the Start/Stop area keep to the right edge, and
// the bottom area keeps to the bottom.
#include "ui/MainForm.h"

#include <QLabel>
#include <QPainter>
#include <QResizeEvent>

namespace {
// The picture at the given size: its top rows as they are, the rest
// stretched, so that a heading band drawn into it keeps its height.
QPixmap StretchedBelow(const QPixmap& picture, int keepTop, QSize size) {
    QPixmap result(size);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    const int top = std::min(keepTop, picture.height());
    painter.drawPixmap(QRect(0, 0, size.width(), top), picture, QRect(0, 0, picture.width(), top));
    painter.drawPixmap(QRect(0, top, size.width(), size.height() - top), picture,
                       QRect(0, top, picture.width(), picture.height() - top));
    return result;
}
} // namespace

void TMainForm::NoteGrowth() {
    struct Rule {
        const char* Name;
        bool MoveX, MoveY, GrowX, GrowY;
        // A picture's heading rows that keep their height.
        int KeepTop = 0;
    };
    static const Rule rules[] = {
        {"panTop", false, false, true, false},
        // The bottom area: the profile and the progress panels widen, the
        // Start/Stop area keeps to the right.
        {"panBottom", false, true, true, false},
        {"panBottomRight", false, false, true, false},
        {"panBottomCenter", false, false, true, false},
        {"Image4", false, false, true, false},
        {"panBottomLeft", false, false, true, false},
        {"Image8", false, false, true, false},
        {"Panel1", true, false, false, false},
        // The right-hand column: the sheets take the height.
        {"panProfile", true, false, false, true},
        {"Image6", false, false, false, true, 21},
        {"panRight", false, false, false, true},
        {"ScrollBox1", false, false, false, true},
        // The task list takes the rest; its button bars keep below it.
        {"panMain", false, false, true, true},
        {"Panel2", false, false, false, true},
        {"Image1", false, false, true, true},
        {"ltvTask", false, false, true, true},
        {"panSmallToolbar", false, true, true, false},
        {"imgSmalltoolBar", false, false, true, false},
        {"panToolbar", false, true, true, false},
        {"Image7", false, false, true, false},
        {"panbg", false, false, true, true},
        {"imgBkg", false, false, true, true},
        {"labProgramName", true, false, false, false},
    };
    FGrowth.clear();
    for (const Rule& rule : rules)
        if (auto* control = findChild<QWidget*>(QString::fromLatin1(rule.Name))) {
            QPixmap picture;
            if (auto* label = qobject_cast<QLabel*>(control); label && rule.KeepTop)
                picture = label->pixmap();
            FGrowth.push_back({control, control->geometry(), rule.MoveX, rule.MoveY, rule.GrowX,
                               rule.GrowY, rule.KeepTop, picture});
        }
}

void TMainForm::FollowSize() {
    const int dx = std::max(0, width() - ClientWidth);
    const int dy = std::max(0, height() - ClientHeight);
    for (const Growth& g : FGrowth) {
        g.Control->setGeometry(g.Base.x() + (g.MoveX ? dx : 0), g.Base.y() + (g.MoveY ? dy : 0),
                               g.Base.width() + (g.GrowX ? dx : 0),
                               g.Base.height() + (g.GrowY ? dy : 0));
        if (!g.Picture.isNull())
            static_cast<QLabel*>(g.Control)->setPixmap(
                StretchedBelow(g.Picture, g.KeepTop, g.Control->size()));
    }
}

void TMainForm::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    FollowSize();
}
