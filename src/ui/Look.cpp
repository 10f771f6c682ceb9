#include "ui/Look.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QScrollArea>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>

static void InitArtworkResources() {
    Q_INIT_RESOURCE(artwork);
}

void ApplyProgramLook(QApplication& app) {
    app.setStyle(QStyleFactory::create("Fusion"));
    QPalette pal = app.style()->standardPalette();
    pal.setColor(QPalette::Window, QColor(0xe9, 0xef, 0xf6));
    pal.setColor(QPalette::Button, QColor(0xe4, 0xeb, 0xf4));
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::AlternateBase, QColor(0xf2, 0xf7, 0xfd));
    pal.setColor(QPalette::Highlight, Look::Selection);
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::ButtonText, Qt::black);
    pal.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xe1));
    pal.setColor(QPalette::ToolTipText, Qt::black);
    // The colours above are set for every state; a disabled command must
    // still look disabled (greyed menu entries and buttons).
    const QColor disabledText(0x8a, 0x8f, 0x96);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, disabledText);
    app.setPalette(pal);

    // "MS Sans Serif" 8 points is 11 pixels high; the layout's places and
    // sizes are made for it, so the stand-ins are fonts of the same metrics.
    QFont font;
    font.setFamilies(
        {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial", "DejaVu Sans"});
    font.setPixelSize(11);
    app.setFont(font);
}

QPixmap Picture(const char* name) {
    static const bool loaded = (InitArtworkResources(), true);
    (void)loaded;
    return QPixmap(QStringLiteral(":/images/") + QLatin1String(name) + QStringLiteral(".png"));
}

QLabel* NewArtworkLabel(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, parent);
    if (name) label->setObjectName(name);
    label->move(at);
    label->adjustSize();
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Look::ArtworkText);
    label->setPalette(pal);
    return label;
}

QFont ProgramNameFont() {
    QFont font;
    font.setFamilies({"Verdana", "DejaVu Sans", "Liberation Sans"});
    font.setPixelSize(17);
    font.setBold(true);
    font.setItalic(true);
    return font;
}

SheetScrollBox NewSheetScrollBox(QWidget* parent, const QRect& geometry) {
    auto* box = new QScrollArea(parent);
    box->setObjectName("ScrollBox1");
    box->setGeometry(geometry);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setWidgetResizable(true);
    box->setBackgroundRole(QPalette::Base);
    auto* content = new QWidget;
    content->setObjectName("ScrollBox1Content");
    content->setBackgroundRole(QPalette::Base);
    content->setAutoFillBackground(true);
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    return {box, content, stack};
}
