#pragma once
// A balloon-shaped tip attached to a control: an icon, a bold title and a
// text in a rounded box whose stem points at the mouse (or at the control's
// middle when the mouse is elsewhere). Each control has one tip window,
// reused by later calls. The tip goes away after a while, when the mouse
// leaves the control, on the control's next mouse press or key, when the
// control is hidden, or when the tip itself is clicked.
#include <QPainterPath>
#include <QString>
#include <QWidget>

class QTimer;

// The icon numbers of the desktop's tooltips: 0 none, 1 information,
// 2 warning, 3 error.
enum class TipIcon { None = 0, Info = 1, Warning = 2, Error = 3 };

class TBalloonTip : public QWidget {
    Q_OBJECT
public:
    // The objectName of every tip window.
    static constexpr const char* Name = "BalloonTip";
    // How long a tip stays up.
    static constexpr int ShowMs = 10000;

    explicit TBalloonTip(QWidget* owner);

    QWidget* Owner() const { return FOwner; }
    TipIcon Icon() const { return FIcon; }
    const QString& Title() const { return FTitle; }
    const QString& Text() const { return FText; }

    // Shows the tip with these contents, its stem at globalAt.
    void Popup(TipIcon icon, const QString& title, const QString& text, QPoint globalAt);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Layout();
    // The box and its stem.
    QPainterPath Outline() const;

    QWidget* FOwner;
    QTimer* FHideTimer;
    TipIcon FIcon = TipIcon::None;
    QString FTitle;
    QString FText;
    // Where the stem points, in the tip's own coordinates, and whether the
    // box hangs below that point (else it stands above it).
    QPoint FStem;
    bool FBelow = true;
    QRect FBody;
};

// Attaches a balloon tip to wnd and shows it. Returns the tip window.
TBalloonTip* ShowBalloonTip(QWidget* wnd, TipIcon icon, const QString& title, const QString& text);
