// Draws every picture of the program into the folder named on the command
// line (resources/images): backgrounds, glyphs, the Start and Stop pictures
// in their three looks, the welcome picture and the icon; and the icon in the
// desktop's sizes into resources/icons, for installing. Built as the
// "artwork" target; the pictures it writes are kept in the repository (those
// in resources/images are compiled into the program as Qt resources).
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

const QColor Navy(0x1c, 0x33, 0x52);
const QColor NavyDark(0x12, 0x22, 0x38);
const QColor Accent(91, 172, 242);
const QColor Pale(202, 227, 255);
const QColor Ink(0x24, 0x3b, 0x5a);

QString OutDir;

QImage NewImage(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void Save(const QImage& img, const QString& name) {
    QString path = OutDir + "/" + name + ".png";
    if (!img.save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

void Antialias(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QFont Font(int pixels, bool bold = false, bool italic = false) {
    QFont f("DejaVu Sans");
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

// The dark band of the bottom area, the Start backdrop and the sheet heading.
void DarkBand(QPainter& p, const QRect& r) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0x2a, 0x4a, 0x73));
    g.setColorAt(0.5, Navy);
    g.setColorAt(1, NavyDark);
    p.fillRect(r, g);
    p.setPen(QColor(255, 255, 255, 40));
    p.drawLine(r.topLeft(), r.topRight());
}

void LightBackground(QPainter& p, const QRect& r) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0xf4, 0xf8, 0xfd));
    g.setColorAt(1, QColor(0xdc, 0xe8, 0xf5));
    p.fillRect(r, g);
}

void Backgrounds() {
    {
        QImage img = NewImage(637, 90);
        QPainter p(&img);
        DarkBand(p, img.rect());
        // A faint wave across the band.
        Antialias(p);
        QPainterPath wave;
        wave.moveTo(0, 70);
        wave.cubicTo(200, 40, 420, 100, 637, 55);
        p.setPen(QPen(QColor(91, 172, 242, 50), 2));
        p.drawPath(wave);
        Save(img, "bg_bottom");
    }
    {
        QImage img = NewImage(165, 90);
        QPainter p(&img);
        DarkBand(p, img.rect());
        Antialias(p);
        QRadialGradient glow(QPointF(82, 48), 80);
        glow.setColorAt(0, QColor(91, 172, 242, 70));
        glow.setColorAt(1, QColor(91, 172, 242, 0));
        p.fillRect(img.rect(), glow);
        p.setPen(QPen(QColor(0, 0, 0, 90), 1));
        p.setBrush(QColor(0, 0, 0, 45));
        p.drawRoundedRect(QRectF(12.5, 12.5, 141, 73), 34, 34);
        Save(img, "bg_start");
    }
    {
        QImage img = NewImage(542, 380);
        QPainter p(&img);
        LightBackground(p, img.rect());
        Save(img, "bg_main");
    }
    {
        QImage img = NewImage(542, 62);
        QPainter p(&img);
        QLinearGradient g(0, 0, 0, 62);
        g.setColorAt(0, QColor(0xe3, 0xed, 0xf8));
        g.setColorAt(1, QColor(0xc9, 0xdb, 0xef));
        p.fillRect(img.rect(), g);
        p.setPen(QColor(0xa9, 0xc4, 0xe3));
        p.drawLine(0, 0, 541, 0);
        p.setPen(Qt::white);
        p.drawLine(0, 1, 541, 1);
        Save(img, "bg_toolbar");
    }
    {
        QImage img = NewImage(519, 35);
        QPainter p(&img);
        QLinearGradient g(0, 0, 0, 35);
        g.setColorAt(0, QColor(0xfb, 0xfd, 0xff));
        g.setColorAt(1, QColor(0xe2, 0xec, 0xf7));
        p.fillRect(img.rect(), g);
        p.setPen(QColor(0xb7, 0xcc, 0xe6));
        p.drawRect(0, 0, 518, 34);
        Save(img, "bg_smalltoolbar");
    }
    {
        QImage img = NewImage(250, 225);
        QPainter p(&img);
        p.fillRect(img.rect(), QColor(0xe9, 0xef, 0xf6));
        DarkBand(p, QRect(0, 0, 250, 21));
        p.fillRect(QRect(0, 20, 250, 1), Accent);
        Save(img, "bg_profile");
    }
}

// The preview panel: a dark frame around the video view and the controls,
// and the small display behind the time label.
void Preview() {
    {
        QImage img = NewImage(250, 218);
        QPainter p(&img);
        Antialias(p);
        QLinearGradient g(0, 0, 0, 218);
        g.setColorAt(0, QColor(0x2a, 0x3c, 0x55));
        g.setColorAt(1, QColor(0x12, 0x1b, 0x28));
        p.fillRect(img.rect(), g);
        p.fillRect(QRect(0, 0, 250, 2), Accent);
        // Well of the video view (0, 13, 233 x 140 in this picture).
        p.setPen(QPen(QColor(0, 0, 0, 160), 1));
        p.setBrush(Qt::black);
        p.drawRect(QRectF(0.5, 12.5, 234, 141));
        p.setPen(QColor(255, 255, 255, 30));
        p.drawLine(0, 185, 249, 185);
        Save(img, "bg_preview");
    }
    {
        QImage img = NewImage(58, 18);
        QPainter p(&img);
        Antialias(p);
        p.setPen(QPen(QColor(91, 172, 242, 120), 1));
        p.setBrush(QColor(0x06, 0x0a, 0x10));
        p.drawRoundedRect(QRectF(0.5, 0.5, 57, 17), 3, 3);
        Save(img, "bg_time");
    }
}

// The rounded Start and Stop pictures; look 0 normal, 1 hover, 2 pressed.
void StartStop(const QString& name, QColor top, QColor bottom, bool start) {
    for (int look = 0; look < 3; ++look) {
        QImage img = NewImage(133, 65);
        QPainter p(&img);
        Antialias(p);
        QColor t = top, b = bottom;
        if (look == 1) {
            t = t.lighter(118);
            b = b.lighter(118);
        } else if (look == 2) {
            t = bottom.darker(115);
            b = top.darker(110);
        }
        int shift = look == 2 ? 1 : 0;
        QRectF body(3.5, 3.5 + shift, 126, 57);
        if (look == 1) {
            // A soft halo while the mouse is over it.
            for (int i = 3; i >= 1; --i) {
                p.setPen(QPen(QColor(255, 255, 255, 30 * (4 - i)), 1));
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(body.adjusted(-i, -i, i, i), 28.5 + i, 28.5 + i);
            }
        }
        QLinearGradient g(body.topLeft(), body.bottomLeft());
        g.setColorAt(0, t);
        g.setColorAt(1, b);
        p.setPen(QPen(QColor(255, 255, 255, look == 2 ? 90 : 170), 1.5));
        p.setBrush(g);
        p.drawRoundedRect(body, 28.5, 28.5);
        if (look != 2) {
            // Gloss over the upper half.
            QPainterPath gloss;
            gloss.addRoundedRect(body.adjusted(6, 3, -6, -body.height() / 2), 22, 14);
            QLinearGradient gg(body.topLeft(), QPointF(body.left(), body.center().y()));
            gg.setColorAt(0, QColor(255, 255, 255, 120));
            gg.setColorAt(1, QColor(255, 255, 255, 10));
            p.setPen(Qt::NoPen);
            p.setBrush(gg);
            p.drawPath(gloss);
        }
        // The round sign at the left.
        QPointF c(33, 32 + shift);
        p.setPen(QPen(QColor(255, 255, 255, 230), 2));
        p.setBrush(QColor(255, 255, 255, 45));
        p.drawEllipse(c, 18, 18);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        if (start) {
            QPolygonF tri;
            tri << QPointF(c.x() - 6, c.y() - 10) << QPointF(c.x() + 11, c.y())
                << QPointF(c.x() - 6, c.y() + 10);
            p.drawPolygon(tri);
        } else {
            p.drawRoundedRect(QRectF(c.x() - 8, c.y() - 8, 16, 16), 2, 2);
        }
        p.setFont(Font(21, true));
        p.setPen(QColor(0, 0, 0, 70));
        QRectF textBox(56, 4 + shift, 70, 57);
        p.drawText(textBox.translated(1, 1), Qt::AlignCenter, start ? "Start" : "Stop");
        p.setPen(Qt::white);
        p.drawText(textBox, Qt::AlignCenter, start ? "Start" : "Stop");
        Save(img, QString("%1_%2").arg(name).arg(look));
    }
}

// A little handheld player showing a play sign: the welcome picture's figure.
QImage Avatar() {
    QImage img = NewImage(166, 101);
    QPainter p(&img);
    Antialias(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 35));
    p.drawEllipse(QRectF(18, 88, 130, 10));
    QRectF body(8, 10, 150, 78);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, QColor(0x3a, 0x45, 0x55));
    g.setColorAt(1, QColor(0x14, 0x1a, 0x24));
    p.setPen(QPen(QColor(0x0b, 0x10, 0x18), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(body, 36, 36);
    QRectF screen(44, 20, 78, 56);
    QLinearGradient sg(screen.topLeft(), screen.bottomRight());
    sg.setColorAt(0, QColor(0x6c, 0xc0, 0xff));
    sg.setColorAt(1, QColor(0x1d, 0x5f, 0xb5));
    p.setPen(QPen(QColor(0x05, 0x08, 0x0c), 2));
    p.setBrush(sg);
    p.drawRoundedRect(screen, 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    QPolygonF tri;
    tri << QPointF(76, 36) << QPointF(94, 48) << QPointF(76, 60);
    p.drawPolygon(tri);
    // Direction pad and buttons.
    p.setBrush(QColor(0x8a, 0x96, 0xa8));
    p.drawRoundedRect(QRectF(18, 44, 18, 6), 2, 2);
    p.drawRoundedRect(QRectF(24, 38, 6, 18), 2, 2);
    p.setBrush(QColor(0x5b, 0xac, 0xf2));
    p.drawEllipse(QPointF(138, 40), 4, 4);
    p.setBrush(QColor(0xf2, 0x6b, 0x5b));
    p.drawEllipse(QPointF(146, 48), 4, 4);
    p.setBrush(QColor(0x6b, 0xd1, 0x7b));
    p.drawEllipse(QPointF(130, 48), 4, 4);
    p.setBrush(QColor(0xf2, 0xc1, 0x4b));
    p.drawEllipse(QPointF(138, 56), 4, 4);
    return img;
}

void Welcome() {
    QImage img = NewImage(519, 357);
    QPainter p(&img);
    Antialias(p);
    QLinearGradient g(0, 0, 0, 357);
    g.setColorAt(0, QColor(0xfd, 0xfe, 0xff));
    g.setColorAt(1, QColor(0xdd, 0xea, 0xf8));
    p.fillRect(img.rect(), g);
    DarkBand(p, QRect(0, 0, 519, 62));
    p.fillRect(QRect(0, 62, 519, 2), Accent);
    // A film frame as the sign at the left of the band.
    p.setPen(QPen(QColor(235, 235, 235), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(18, 14, 46, 34), 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 235, 235));
    for (int i = 0; i < 5; ++i) {
        p.drawRect(QRectF(23 + i * 8, 17, 4, 4));
        p.drawRect(QRectF(23 + i * 8, 41, 4, 4));
    }
    p.setBrush(Accent);
    QPolygonF tri;
    tri << QPointF(36, 24) << QPointF(48, 31) << QPointF(36, 38);
    p.drawPolygon(tri);
    p.setPen(QColor(235, 235, 235));
    p.setFont(Font(11));
    p.drawText(QRectF(297, 40, 198, 16), Qt::AlignRight | Qt::AlignVCenter,
               "Batch conversion for handhelds");

    p.setPen(Ink);
    p.setFont(Font(17, true));
    p.drawText(QPointF(210, 118), "Welcome");
    p.setFont(Font(12));
    p.setPen(QColor(0x3d, 0x4f, 0x66));
    const char* lines[] = {
        "1.  Add videos: Add File, Add Dir,", "     or drop files and folders here.",
        "2.  Pick a profile and adjust it.", "3.  Choose the output path.", "4.  Press Start."};
    int y = 146;
    for (const char* l : lines) {
        p.drawText(QPointF(212, y), l);
        y += 21;
    }
    // The avatar picture sits at (19, 104) as a control of its own; the
    // drop zone hint runs along the bottom.
    QRectF zone(19, 272, 481, 66);
    p.setPen(QPen(QColor(0x7f, 0xaf, 0xe0), 1.5, Qt::DashLine));
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawRoundedRect(zone, 10, 10);
    p.setPen(QColor(0x4a, 0x78, 0xab));
    p.setFont(Font(13, true));
    p.drawText(zone, Qt::AlignCenter, "Drop videos or folders anywhere on this window");
    Save(img, "welcome");
}

// The about box's picture (476 x 330): the program's name and version are
// labels of their own over the dark band at the top right; the OK button sits
// at the bottom right over the light part.
void About() {
    QImage img = NewImage(476, 330);
    QPainter p(&img);
    Antialias(p);
    QLinearGradient g(0, 0, 0, 330);
    g.setColorAt(0, QColor(0xfd, 0xfe, 0xff));
    g.setColorAt(1, QColor(0xd6, 0xe5, 0xf6));
    p.fillRect(img.rect(), g);
    DarkBand(p, QRect(0, 0, 476, 76));
    p.fillRect(QRect(0, 76, 476, 2), Accent);
    // Faint waves through the band, as on the bottom of the main window.
    for (int i = 0; i < 3; ++i) {
        QPainterPath wave;
        wave.moveTo(0, 58 + i * 6);
        wave.cubicTo(150, 28 + i * 8, 300, 86 - i * 4, 476, 40 + i * 7);
        p.setPen(QPen(QColor(91, 172, 242, 45 - i * 10), 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(wave);
    }
    // The film frame sign at the left of the band.
    p.setPen(QPen(QColor(235, 235, 235), 2));
    p.drawRoundedRect(QRectF(20, 18, 52, 38), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 235, 235));
    for (int i = 0; i < 6; ++i) {
        p.drawRect(QRectF(25 + i * 8, 21, 4, 4));
        p.drawRect(QRectF(25 + i * 8, 47, 4, 4));
    }
    p.setBrush(Accent);
    QPolygonF tri;
    tri << QPointF(40, 29) << QPointF(53, 37) << QPointF(40, 45);
    p.drawPolygon(tri);

    // The handheld with rays of light behind it.
    QPointF centre(126, 190);
    QRadialGradient glow(centre, 120);
    glow.setColorAt(0, QColor(91, 172, 242, 90));
    glow.setColorAt(1, QColor(91, 172, 242, 0));
    p.setBrush(glow);
    p.drawEllipse(centre, 120, 120);
    p.drawImage(QPointF(centre.x() - 83, centre.y() - 50), Avatar());

    // A short text block at the right.
    p.setPen(Ink);
    p.setFont(Font(15, true));
    p.drawText(QPointF(250, 128), "Batch video conversion");
    p.setFont(Font(12));
    p.setPen(QColor(0x3d, 0x4f, 0x66));
    const char* lines[] = {"Collect videos in a task list,", "pick a profile, adjust it,",
                           "and convert them one after", "the other for your handheld."};
    int y = 154;
    for (const char* l : lines) {
        p.drawText(QPointF(250, y), l);
        y += 19;
    }
    // A thin line above the button row.
    p.setPen(QColor(0xa9, 0xc4, 0xe3));
    p.drawLine(20, 270, 456, 270);
    p.setPen(Qt::white);
    p.drawLine(20, 271, 456, 271);
    Save(img, "about");
}

// Glyphs -----------------------------------------------------------------

void PlusBadge(QPainter& p, QPointF c, double r) {
    p.setPen(QPen(Qt::white, 1.2));
    p.setBrush(QColor(0x2f, 0xa8, 0x4f));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(Qt::white, r / 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() - r / 2, c.y()), QPointF(c.x() + r / 2, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r / 2), QPointF(c.x(), c.y() + r / 2));
}

void Glyphs32() {
    {
        QImage img = NewImage(32, 32);
        QPainter p(&img);
        Antialias(p);
        QPainterPath doc;
        doc.moveTo(6.5, 2.5);
        doc.lineTo(19.5, 2.5);
        doc.lineTo(25.5, 8.5);
        doc.lineTo(25.5, 29.5);
        doc.lineTo(6.5, 29.5);
        doc.closeSubpath();
        p.setPen(QPen(Ink, 1));
        p.setBrush(Qt::white);
        p.drawPath(doc);
        p.setBrush(Pale);
        QPolygonF fold;
        fold << QPointF(19.5, 2.5) << QPointF(19.5, 8.5) << QPointF(25.5, 8.5);
        p.drawPolygon(fold);
        // A film frame on the page.
        p.setPen(Qt::NoPen);
        p.setBrush(Accent);
        p.drawRect(QRectF(9, 12, 13, 10));
        p.setBrush(Qt::white);
        QPolygonF tri;
        tri << QPointF(13.5, 14) << QPointF(18.5, 17) << QPointF(13.5, 20);
        p.drawPolygon(tri);
        PlusBadge(p, QPointF(24, 24), 6.5);
        Save(img, "glyph_addfile");
    }
    {
        QImage img = NewImage(32, 32);
        QPainter p(&img);
        Antialias(p);
        p.setPen(QPen(QColor(0x9a, 0x6b, 0x12), 1));
        p.setBrush(QColor(0xf0, 0xb8, 0x48));
        QPainterPath back;
        back.moveTo(2.5, 7.5);
        back.lineTo(11.5, 7.5);
        back.lineTo(14.5, 10.5);
        back.lineTo(28.5, 10.5);
        back.lineTo(28.5, 26.5);
        back.lineTo(2.5, 26.5);
        back.closeSubpath();
        p.drawPath(back);
        QLinearGradient g(0, 13, 0, 27);
        g.setColorAt(0, QColor(0xfb, 0xd7, 0x7a));
        g.setColorAt(1, QColor(0xf2, 0xb6, 0x3c));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(2.5, 13.5, 26, 13), 1.5, 1.5);
        PlusBadge(p, QPointF(24, 24), 6.5);
        Save(img, "glyph_adddir");
    }
    {
        QImage img = NewImage(32, 32);
        QPainter p(&img);
        Antialias(p);
        QPainterPath gear;
        QPointF c(16, 16);
        const int teeth = 8;
        for (int i = 0; i < teeth * 2; ++i) {
            double a0 = (i * 360.0 / (teeth * 2) - 8) * std::numbers::pi / 180.0;
            double a1 = (i * 360.0 / (teeth * 2) + 8) * std::numbers::pi / 180.0;
            double r = (i % 2 == 0) ? 13.5 : 10.5;
            QPointF p0(c.x() + r * std::cos(a0), c.y() + r * std::sin(a0));
            QPointF p1(c.x() + r * std::cos(a1), c.y() + r * std::sin(a1));
            if (i == 0)
                gear.moveTo(p0);
            else
                gear.lineTo(p0);
            gear.lineTo(p1);
        }
        gear.closeSubpath();
        QPainterPath hole;
        hole.addEllipse(c, 4.5, 4.5);
        gear = gear.subtracted(hole);
        QLinearGradient g(0, 2, 0, 30);
        g.setColorAt(0, QColor(0x8f, 0xa9, 0xc8));
        g.setColorAt(1, QColor(0x4d, 0x68, 0x8c));
        p.setPen(QPen(Ink, 1));
        p.setBrush(g);
        p.drawPath(gear);
        Save(img, "glyph_settings");
    }
}

void Glyphs16() {
    auto make = [](const QString& name, auto draw) {
        QImage img = NewImage(16, 16);
        QPainter p(&img);
        Antialias(p);
        draw(p);
        Save(img, name);
    };
    const QColor red(0xd2, 0x3c, 0x2c);
    make("glyph_delete", [&](QPainter& p) {
        p.setPen(QPen(red, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    });
    make("glyph_clear", [&](QPainter& p) {
        p.setPen(QPen(Ink, 1.6, Qt::SolidLine, Qt::RoundCap));
        for (int y : {4, 8, 12})
            p.drawLine(QPointF(2, y), QPointF(11, y));
        p.setPen(QPen(red, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 9), QPointF(14, 14));
        p.drawLine(QPointF(14, 9), QPointF(9, 14));
    });
    auto arrow = [&](QPainter& p, bool up) {
        QPolygonF a;
        if (up)
            a << QPointF(8, 2) << QPointF(14, 9) << QPointF(10.5, 9) << QPointF(10.5, 14)
              << QPointF(5.5, 14) << QPointF(5.5, 9) << QPointF(2, 9);
        else
            a << QPointF(8, 14) << QPointF(14, 7) << QPointF(10.5, 7) << QPointF(10.5, 2)
              << QPointF(5.5, 2) << QPointF(5.5, 7) << QPointF(2, 7);
        p.setPen(QPen(QColor(0x1d, 0x5f, 0xb5), 1));
        p.setBrush(Accent);
        p.drawPolygon(a);
    };
    make("glyph_up", [&](QPainter& p) { arrow(p, true); });
    make("glyph_down", [&](QPainter& p) { arrow(p, false); });
    auto badge = [&](QPainter& p, const char* text) {
        p.setPen(QPen(QColor(0x1d, 0x5f, 0xb5), 1));
        p.setBrush(Accent);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(Qt::white);
        p.setFont(Font(11, true));
        p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, text);
    };
    make("glyph_about", [&](QPainter& p) { badge(p, "i"); });
    make("glyph_help", [&](QPainter& p) { badge(p, "?"); });
    make("glyph_play", [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2f, 0xa8, 0x4f));
        QPolygonF t;
        t << QPointF(4, 2.5) << QPointF(13.5, 8) << QPointF(4, 13.5);
        p.drawPolygon(t);
    });
    make("glyph_pause", [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Ink);
        p.drawRect(QRectF(4, 3, 3, 10));
        p.drawRect(QRectF(9, 3, 3, 10));
    });
    make("glyph_stop", [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(red);
        p.drawRoundedRect(QRectF(3.5, 3.5, 9, 9), 1.5, 1.5);
    });
    make("glyph_folder", [&](QPainter& p) {
        // The folder of the output path's browse button.
        p.setPen(QPen(QColor(0x9a, 0x6b, 0x12), 1));
        p.setBrush(QColor(0xf0, 0xb8, 0x48));
        QPainterPath back;
        back.moveTo(1.5, 3.5);
        back.lineTo(6.5, 3.5);
        back.lineTo(8.5, 5.5);
        back.lineTo(14.5, 5.5);
        back.lineTo(14.5, 13.5);
        back.lineTo(1.5, 13.5);
        back.closeSubpath();
        p.drawPath(back);
        QLinearGradient g(0, 7, 0, 14);
        g.setColorAt(0, QColor(0xfb, 0xd7, 0x7a));
        g.setColorAt(1, QColor(0xf2, 0xb6, 0x3c));
        p.setBrush(g);
        p.drawRect(QRectF(1.5, 7.5, 13, 6));
    });
}

// The program's icon: a rounded tile with a play sign between two film
// strips, drawn on a 64-unit grid scaled to the size asked for. Below 32
// pixels the strips' holes would blur into grey, so the small sizes leave
// them out and show a larger play sign instead.
QImage IconImage(int size) {
    QImage img = NewImage(size, size);
    QPainter p(&img);
    Antialias(p);
    const double unit = size / 64.0;
    p.scale(unit, unit);
    const bool small = size < 32;
    QLinearGradient g(0, 0, 0, 64);
    g.setColorAt(0, QColor(0x2f, 0x5b, 0x8f));
    g.setColorAt(1, NavyDark);
    // The margin and the border are each 2 units, rounded to whole pixels
    // (one at least) so that the border stays sharp at every size.
    const double pixels = std::max(1.0, std::round(2 * unit));
    const double border = pixels / unit;
    const double inset = 1.5 * border;
    p.setPen(QPen(Accent, border));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(inset, inset, 64 - 2 * inset, 64 - 2 * inset), 13, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPolygonF tri;
    if (small)
        tri << QPointF(20, 13) << QPointF(50, 32) << QPointF(20, 51);
    else
        tri << QPointF(24, 17) << QPointF(46, 32) << QPointF(24, 47);
    p.drawPolygon(tri);
    if (!small) {
        p.setBrush(Accent);
        for (int i = 0; i < 4; ++i) {
            p.drawRect(QRectF(9, 11 + i * 12, 6, 6));
            p.drawRect(QRectF(49, 11 + i * 12, 6, 6));
        }
    }
    return img;
}

// The window's icon (64 x 64) into the pictures, and the desktop's icons in
// the hicolor theme's sizes into <icons>/hicolor/<n>x<n>/apps/tarvolin.png.
void Icons(const QString& iconDir) {
    Save(IconImage(64), "icon");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QString dir = QString("%1/hicolor/%2x%2/apps").arg(iconDir).arg(size);
        QDir().mkpath(dir);
        QString path = dir + "/tarvolin.png";
        if (!IconImage(size).save(path))
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tarvolin_artwork <pictures folder> [<icons folder>]\n");
        return 2;
    }
    OutDir = QString::fromLocal8Bit(argv[1]);
    // The desktop's icons go beside the pictures unless a folder is named.
    const QString iconDir =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir(OutDir).absoluteFilePath("../icons");
    QDir().mkpath(OutDir);
    Backgrounds();
    Preview();
    StartStop("start", QColor(0x4c, 0xc8, 0x6a), QColor(0x1b, 0x86, 0x38), true);
    StartStop("stop", QColor(0xf0, 0x6a, 0x4c), QColor(0xb0, 0x2a, 0x1c), false);
    Welcome();
    About();
    Save(Avatar(), "avatar");
    Glyphs32();
    Glyphs16();
    Icons(QDir::cleanPath(iconDir));
    return 0;
}
