#pragma once
// A parameter sheet as a grid: the caption column is fixed, the value column
// is edited in place (a drop-down list for pick-list rows, a text box for
// text rows; read-only text rows cannot be edited and show silver text). The
// rows, values and the height come from the sheet model (ParamSheet); the
// grid only shows and edits them. Above each grid sits a header bar with the
// collapse button.
#include "profiles/ParamSheet.h"

#include <QAbstractTableModel>
#include <QFrame>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>

class QLabel;
class QPushButton;
class TValueListEditor;

class TSheetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TSheetModel(ParamSheet& sheet, QObject* parent);

    // A sheet without rows still shows one empty line.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const SheetRow* RowAt(int row) const;
    // The sheet changed: rows counted again, every cell shown afresh.
    void SheetChanged();

signals:
    // The user changed the value of row (not a change made by the program).
    void ValueEdited(int row);

private:
    ParamSheet& FSheet;
    int FShownRows;
};

// Draws the cells by the sheet's rules and edits values.
class TSheetDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TSheetDelegate(TValueListEditor* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TValueListEditor* FView;
};

class TValueListEditor : public QTableView {
    Q_OBJECT
public:
    // captionWidth and valueWidth: 95 and 119 on the main window.
    TValueListEditor(ParamSheet& sheet, const char* name, int captionWidth, int valueWidth,
                     QWidget* parent);
    ~TValueListEditor() override;

    ParamSheet& Sheet() { return FSheet; }
    TSheetModel* SheetModel() const { return FModel; }

    // The current row: the row whose value cell has the cursor. The sheet
    // model keeps it (it follows deletions of rows below it).
    int CurrentRow() const { return FSheet.CurrentRow(); }
    void SetCurrentRow(int row);
    // True while the grid or its cell editor has the keyboard focus.
    bool HasSheetFocus() const;

    // Rows counted again, repainted, the cell editor placed again.
    void Refresh();
    // Runs change, a change of the sheet's values by the program, without
    // touching the cell editor that is open: what the user types there
    // stays (a commit stores it; Esc shows the changed value).
    void ChangeKeepingEditor(const std::function<void()>& change);
    bool KeepsEditor() const { return FKeepEditor; }
    // A cell editor is open.
    bool Editing() const { return state() == QAbstractItemView::EditingState; }
    // Takes the height the sheet model gives (collapsed: 1 pixel).
    void SyncHeight();
    // Double click on a pick-list value: the next caption.
    void StepValue(int row);

signals:
    // After every change of the sheet's rows or values.
    void StringsChange();
    // A mouse button went down on the grid.
    void MousePressed();
    // The user changed a value (the grid's validation point).
    void ValueEdited(int row);
    // A cell editor has closed, after storing its value if it did.
    void EditorClosed();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void SheetChanged();

    ParamSheet& FSheet;
    TSheetModel* FModel;
    bool FKeepEditor = false;
};

// The header bar above a sheet: "      <name>" in bold and a 12 x 12 button
// showing "-" (expanded) or "+" (collapsed). A click on the button or a
// double click on the bar emits Toggled.
class TSheetHeader : public QFrame {
    Q_OBJECT
public:
    TSheetHeader(const char* panelName, const char* buttonName, const QString& caption,
                 const QColor& color, QWidget* parent);
    QPushButton* Button() const { return FButton; }
    void ShowCollapsed(bool collapsed);

signals:
    void Toggled();

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    QPushButton* FButton;
    QLabel* FCaption;
};

// The header button's command: collapses or expands the editor's sheet and
// shows its state on the header.
void ToggleSheet(TValueListEditor* editor, TSheetHeader* header);
// After a load: the editor's height from its sheet, the header's button
// showing the sheet's state.
void SyncSheet(TValueListEditor* editor, TSheetHeader* header);
