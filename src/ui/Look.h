#pragma once
// The program's one look: the Fusion style with a light blue palette, the
// 8-point window font and the pictures drawn for it.
#include <QColor>
#include <QFont>
#include <QPixmap>

class QApplication;
class QLabel;
class QPoint;
class QRect;
class QScrollArea;
class QString;
class QVBoxLayout;
class QWidget;

// Applies the style, the palette and the font to the whole application.
void ApplyProgramLook(QApplication& app);

// The program's name on the welcome panel and in the about box: Verdana
// bold italic, 17 pixels high.
QFont ProgramNameFont();

// A picture of the program's artwork by name ("start_0", "glyph_up", ...).
QPixmap Picture(const char* name);

// A label of light grey text on the artwork, sized to its text; name may be
// nullptr for a caption nobody looks up.
QLabel* NewArtworkLabel(QWidget* parent, const char* name, const QString& text, QPoint at);

// The scrolled white box "ScrollBox1" that stacks parameter sheets one
// under the other: its content ("ScrollBox1Content") and the content's
// stack. The caller adds the sheets, then sets the content as the box's
// widget.
struct SheetScrollBox {
    QScrollArea* Box;
    QWidget* Content;
    QVBoxLayout* Stack;
};
SheetScrollBox NewSheetScrollBox(QWidget* parent, const QRect& geometry);

namespace Look {
// Text on the dark artwork: light grey.
inline const QColor ArtworkText{235, 235, 235};
// The header bars of the sheets.
inline const QColor SheetHeader{91, 172, 242};
// The header of the task list.
inline const QColor ListHeader{202, 227, 255};
// The caption cell of the current sheet row while the sheet has the focus.
inline const QColor Selection{49, 106, 197};
inline const QColor Silver{192, 192, 192};
// The bar of a converting task's progress behind its status, half see-through.
inline const QColor RowProgress{91, 172, 242, 120};
} // namespace Look
