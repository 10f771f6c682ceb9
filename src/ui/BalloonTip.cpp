#include "ui/BalloonTip.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int Margin = 8;
constexpr int IconSize = 16;
constexpr int Gap = 6;
constexpr int StemHeight = 12;
constexpr int StemWidth = 14;
// The stem's distance from the box's left edge.
constexpr int StemOffset = 18;
constexpr int Radius = 7;
constexpr int MaxTextWidth = 280;

QFont TitleFont(const QFont& base) {
    QFont bold = base;
    bold.setBold(true);
    return bold;
}

QStyle::StandardPixmap IconPixmap(TipIcon icon) {
    switch (icon) {
    case TipIcon::Warning:
        return QStyle::SP_MessageBoxWarning;
    case TipIcon::Error:
        return QStyle::SP_MessageBoxCritical;
    default:
        return QStyle::SP_MessageBoxInformation;
    }
}

} // namespace

TBalloonTip::TBalloonTip(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      FOwner(owner), FHideTimer(new QTimer(this)) {
    setObjectName(Name);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    FHideTimer->setSingleShot(true);
    connect(FHideTimer, &QTimer::timeout, this, &QWidget::hide);
    owner->installEventFilter(this);
    // A list or a grid gets its mouse through its viewport.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(owner))
        area->viewport()->installEventFilter(this);
}

void TBalloonTip::Popup(TipIcon icon, const QString& title, const QString& text, QPoint globalAt) {
    FIcon = icon;
    FTitle = title;
    FText = text;
    Layout();

    // Below the point when the screen has room for it, else above it.
    QScreen* screen = QGuiApplication::screenAt(globalAt);
    if (!screen) screen = FOwner->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    const int boxHeight = FBody.height() + StemHeight;
    FBelow = !room.isValid() || globalAt.y() + boxHeight <= room.bottom();
    Layout();
    QPoint topLeft = globalAt - FStem;
    if (room.isValid())
        topLeft.setX(
            std::clamp(topLeft.x(), room.left(), std::max(room.left(), room.right() - width())));
    FStem = globalAt - topLeft;
    move(topLeft);

    // The balloon's shape; a platform without window shapes (the headless
    // one) shows the box square.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        setMask(QRegion(Outline().toFillPolygon().toPolygon()));

    show();
    update();
    FHideTimer->start(ShowMs);
}

void TBalloonTip::Layout() {
    const QFontMetrics titleMetrics(TitleFont(font()));
    const QFontMetrics textMetrics(font());
    const QRect titleRect = titleMetrics.boundingRect(FTitle);
    const QRect textRect = FText.isEmpty()
                               ? QRect()
                               : textMetrics.boundingRect(QRect(0, 0, MaxTextWidth, 1000),
                                                          Qt::TextWordWrap | Qt::AlignLeft, FText);
    const int iconWidth = FIcon == TipIcon::None ? 0 : IconSize + Gap;
    const int headWidth = iconWidth + titleRect.width();
    const int headHeight = std::max(FIcon == TipIcon::None ? 0 : IconSize, titleMetrics.height());
    const int contentWidth = std::max({headWidth, textRect.width(), 2 * StemOffset});
    const int contentHeight = headHeight + (FText.isEmpty() ? 0 : Gap + textRect.height());
    const QSize body(contentWidth + 2 * Margin, contentHeight + 2 * Margin);
    FBody = QRect(QPoint(0, FBelow ? StemHeight : 0), body);
    FStem = QPoint(StemOffset, FBelow ? 0 : body.height() + StemHeight - 1);
    setFixedSize(body.width() + 1, body.height() + StemHeight + 1);
}

QPainterPath TBalloonTip::Outline() const {
    QPainterPath outline;
    outline.addRoundedRect(QRectF(FBody).adjusted(0.5, 0.5, -0.5, -0.5), Radius, Radius);
    const int baseY = FBelow ? FBody.top() + 1 : FBody.bottom() - 1;
    const int baseX =
        std::clamp(FStem.x(), FBody.left() + Radius, FBody.right() - Radius - StemWidth);
    QPainterPath stem;
    stem.moveTo(baseX, baseY);
    stem.lineTo(FStem);
    stem.lineTo(baseX + StemWidth, baseY);
    stem.closeSubpath();
    return outline.united(stem);
}

void TBalloonTip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath outline = Outline();
    p.fillPath(outline, palette().color(QPalette::ToolTipBase));
    p.setPen(QPen(palette().color(QPalette::ToolTipText), 1));
    p.drawPath(outline);

    int x = FBody.left() + Margin;
    int y = FBody.top() + Margin;
    const QFontMetrics titleMetrics(TitleFont(font()));
    const int headHeight = std::max(FIcon == TipIcon::None ? 0 : IconSize, titleMetrics.height());
    if (FIcon != TipIcon::None) {
        const QIcon icon = style()->standardIcon(IconPixmap(FIcon), nullptr, this);
        icon.paint(&p, QRect(x, y + (headHeight - IconSize) / 2, IconSize, IconSize));
        x += IconSize + Gap;
    }
    p.setFont(TitleFont(font()));
    p.drawText(QRect(x, y, FBody.right() - Margin - x, headHeight),
               Qt::AlignLeft | Qt::AlignVCenter, FTitle);
    if (!FText.isEmpty()) {
        p.setFont(font());
        p.drawText(QRect(FBody.left() + Margin, y + headHeight + Gap, FBody.width() - 2 * Margin,
                         FBody.height()),
                   Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, FText);
    }
}

void TBalloonTip::mousePressEvent(QMouseEvent*) {
    hide();
}

bool TBalloonTip::eventFilter(QObject* watched, QEvent* event) {
    auto* area = qobject_cast<QAbstractScrollArea*>(FOwner);
    const bool owner = watched == FOwner || (area && watched == area->viewport());
    if (owner && isVisible()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::KeyPress:
        case QEvent::Leave:
        case QEvent::Hide:
            hide();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

TBalloonTip* ShowBalloonTip(QWidget* wnd, TipIcon icon, const QString& title, const QString& text) {
    if (!wnd) return nullptr;
    auto* tip = wnd->findChild<TBalloonTip*>(TBalloonTip::Name, Qt::FindDirectChildrenOnly);
    if (!tip) tip = new TBalloonTip(wnd);
    // The stem points at the mouse while it is over the control, else at the
    // control's lower middle.
    QPoint at = QCursor::pos();
    if (!wnd->rect().contains(wnd->mapFromGlobal(at)))
        at = wnd->mapToGlobal(QPoint(wnd->width() / 2, wnd->height() - 2));
    tip->Popup(icon, title, text, at);
    return tip;
}
