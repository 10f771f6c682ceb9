#include "ui/ImageButton.h"

#include "ui/Look.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

TImageButton::TImageButton(QWidget* parent, const char* name, std::array<QPixmap, 3> looks)
    : QWidget(parent), FLooks(std::move(looks)) {
    setObjectName(name);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

void TImageButton::DrawLook(int look) {
    FLook = look;
    update();
}

void TImageButton::ResetLook() {
    if (isVisible() && FTag != 0) {
        DrawLook(0);
        FTag = 0;
    }
}

void TImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, FLooks[static_cast<size_t>(FLook)]);
}

void TImageButton::mouseMoveEvent(QMouseEvent* e) {
    if (FTag == 0) {
        DrawLook(1);
        FTag = 1;
    }
    e->accept();
}

void TImageButton::mousePressEvent(QMouseEvent* e) {
    if (FTag != 2) {
        DrawLook(2);
        FTag = 2;
    }
    e->accept();
}

void TImageButton::mouseReleaseEvent(QMouseEvent* e) {
    // The click comes first, then the release's own look, as the buttons of
    // the desktop do it.
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
    if (FTag == 2) {
        DrawLook(1);
        FTag = 1;
    }
    e->accept();
}

QLabel* NewPicture(QWidget* parent, const char* name, const QRect& place, const char* picture) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setPixmap(Picture(picture));
    label->setScaledContents(true);
    return label;
}
