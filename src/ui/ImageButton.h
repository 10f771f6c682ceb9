#pragma once
// The big Start and Stop pictures: three looks of 133 x 65 (0 normal,
// 1 hover, 2 pressed). The look last drawn is kept in Tag:
//  - the mouse moving over it: from 0 to 1;
//  - a mouse button going down on it: to 2 unless it is 2 already;
//  - a mouse button going up on it: from 2 to 1.
// The main window puts it back to 0 when the mouse moves over the bottom area
// around it (ResetLook). A left click on it emits clicked.
#include <QPixmap>
#include <QWidget>
#include <array>

class TImageButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
public:
    TImageButton(QWidget* parent, const char* name, std::array<QPixmap, 3> looks);

    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }
    // The look drawn now.
    int Look() const { return FLook; }
    void DrawLook(int look);
    // The mouse over the bottom area: a visible button that is not normal
    // goes back to normal.
    void ResetLook();

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    std::array<QPixmap, 3> FLooks;
    int FTag = 0;
    int FLook = 0;
};

// A picture that fills its place (the backgrounds and the welcome picture).
class QLabel;
QLabel* NewPicture(QWidget* parent, const char* name, const QRect& place, const char* picture);
