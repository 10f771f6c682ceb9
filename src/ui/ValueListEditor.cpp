#include "ui/ValueListEditor.h"

#include "ui/Look.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

// ---------------------------------------------------------------------------
// TSheetModel

TSheetModel::TSheetModel(ParamSheet& sheet, QObject* parent)
    : QAbstractTableModel(parent), FSheet(sheet), FShownRows(std::max(1, sheet.RowCount())) {}

int TSheetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FShownRows;
}

int TSheetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

const SheetRow* TSheetModel::RowAt(int row) const {
    return row >= 0 && row < FSheet.RowCount() ? &FSheet.Row(row) : nullptr;
}

QVariant TSheetModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    const SheetRow* row = RowAt(index.row());
    if (!row) return QString();
    return ToQ(index.column() == 0 ? row->Caption : row->Value);
}

bool TSheetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != 1 || !RowAt(index.row())) return false;
    std::string text = FromQ(value.toString());
    if (text == FSheet.Row(index.row()).Value) return true;
    FSheet.SetRowValue(index.row(), text);
    emit ValueEdited(index.row());
    return true;
}

Qt::ItemFlags TSheetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    if (index.column() == 0) return Qt::ItemIsEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const SheetRow* row = RowAt(index.row());
    if (row && (row->HasPickList || FSheet.CanType(index.row()))) f |= Qt::ItemIsEditable;
    return f;
}

void TSheetModel::SheetChanged() {
    int rows = std::max(1, FSheet.RowCount());
    if (rows != FShownRows) {
        beginResetModel();
        FShownRows = rows;
        endResetModel();
    } else {
        emit dataChanged(index(0, 0), index(rows - 1, 1));
    }
}

// ---------------------------------------------------------------------------
// TSheetDelegate

namespace {
const char* const StepRowProperty = "sheetStepRow";
}

TSheetDelegate::TSheetDelegate(TValueListEditor* view) : QStyledItemDelegate(view), FView(view) {}

void TSheetDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    const SheetRow* row = FView->SheetModel()->RowAt(index.row());
    // Read-only text rows show their value in silver; everything else black.
    bool silver = index.column() == 1 && row && FView->Sheet().ValueDimmed(index.row());
    QColor plain = silver ? Look::Silver : QColor(Qt::black);
    QColor text = plain;
    QColor window = option.palette.color(QPalette::Base);
    QColor back = index.column() == 0 ? option.palette.color(QPalette::Button) : window;
    if (index.row() == FView->CurrentRow()) {
        if (index.column() == 1) {
            // The current value cell never shows a selection highlight.
            back = window;
        } else if (FView->HasSheetFocus()) {
            back = Look::Selection;
        } else {
            back = window;
            text = plain;
        }
    }
    painter->save();
    painter->fillRect(option.rect, back);
    painter->setPen(text);
    painter->setFont(option.font);
    QRect r = option.rect.adjusted(2, 0, -2, 0);
    QString shown =
        option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, r.width());
    painter->drawText(r, Qt::AlignVCenter | Qt::AlignLeft, shown);
    painter->restore();
}

QWidget* TSheetDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex& index) const {
    const SheetRow* row = FView->SheetModel()->RowAt(index.row());
    if (!row || index.column() != 1) return nullptr;
    if (row->HasPickList) {
        // An editable box with a read-only text part: the arrow drops the
        // list, a double click on the text steps to the next caption, and
        // a value that is not among the captions (a custom size) still shows.
        auto* box = new QComboBox(parent);
        box->setEditable(true);
        box->lineEdit()->setReadOnly(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setFrame(false);
        for (const auto& caption : row->PickList)
            box->addItem(ToQ(caption));
        box->lineEdit()->setProperty(StepRowProperty, index.row());
        box->lineEdit()->installEventFilter(const_cast<TSheetDelegate*>(this));
        connect(box, &QComboBox::activated, this,
                [this, box](int) { emit const_cast<TSheetDelegate*>(this)->commitData(box); });
        return box;
    }
    if (!FView->Sheet().CanType(index.row())) return nullptr;
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    return edit;
}

void TSheetDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (FView->KeepsEditor()) return;
    QString value = index.data(Qt::EditRole).toString();
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        QSignalBlocker block(box);
        box->setCurrentIndex(box->findText(value, Qt::MatchFixedString));
        box->setEditText(value);
        return;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        if (edit->text() != value) edit->setText(value);
    }
}

void TSheetDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const {
    if (auto* box = qobject_cast<QComboBox*>(editor))
        model->setData(index, box->currentText(), Qt::EditRole);
    else if (auto* edit = qobject_cast<QLineEdit*>(editor))
        model->setData(index, edit->text(), Qt::EditRole);
}

bool TSheetDelegate::eventFilter(QObject* watched, QEvent* event) {
    QVariant stepRow = watched->property(StepRowProperty);
    if (stepRow.isValid()) {
        // The text part of a drop-down editor: only the double click is ours.
        if (event->type() == QEvent::MouseButtonDblClick) {
            FView->StepValue(stepRow.toInt());
            return true;
        }
        return false;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// TValueListEditor

TValueListEditor::TValueListEditor(ParamSheet& sheet, const char* name, int captionWidth,
                                   int valueWidth, QWidget* parent)
    : QTableView(parent), FSheet(sheet), FModel(new TSheetModel(sheet, this)) {
    setObjectName(name);
    setModel(FModel);
    setItemDelegate(new TSheetDelegate(this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(ParamSheet::RowPitch);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(8);
    horizontalHeader()->resizeSection(0, captionWidth);
    horizontalHeader()->resizeSection(1, valueWidth);
    horizontalHeader()->setStretchLastSection(true);
    setFrameShape(QFrame::NoFrame);
    setShowGrid(true);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabKeyNavigation(false);
    setFocusPolicy(Qt::StrongFocus);

    connect(FModel, &TSheetModel::ValueEdited, this, &TValueListEditor::ValueEdited);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* from, QWidget* to) {
        auto mine = [this](QWidget* w) { return w && (w == this || isAncestorOf(w)); };
        if (mine(from) || mine(to)) viewport()->update();
    });
    FSheet.OnChange = [this] { SheetChanged(); };
    SetCurrentRow(FSheet.CurrentRow());
    SyncHeight();
}

TValueListEditor::~TValueListEditor() {
    // The sheet may outlive the grid; it must not call back into it.
    FSheet.OnChange = nullptr;
}

void TValueListEditor::SetCurrentRow(int row) {
    FSheet.SetCurrentRow(row);
    QModelIndex current = FModel->index(FSheet.CurrentRow(), 1);
    if (selectionModel()->currentIndex() != current)
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    viewport()->update();
}

bool TValueListEditor::HasSheetFocus() const {
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

void TValueListEditor::Refresh() {
    FModel->SheetChanged();
    updateGeometries();
    updateEditorGeometries();
    viewport()->update();
}

void TValueListEditor::ChangeKeepingEditor(const std::function<void()>& change) {
    FKeepEditor = true;
    try {
        change();
    } catch (...) {
        FKeepEditor = false;
        throw;
    }
    FKeepEditor = false;
}

void TValueListEditor::SyncHeight() {
    setFixedHeight(std::max(0, FSheet.Height()));
}

void TValueListEditor::StepValue(int row) {
    const SheetRow* r = FModel->RowAt(row);
    if (!r || !r->HasPickList) return;
    FSheet.StepPickList(row);
    emit ValueEdited(row);
}

void TValueListEditor::SheetChanged() {
    FModel->SheetChanged();
    SetCurrentRow(FSheet.CurrentRow());
    SyncHeight();
    emit StringsChange();
}

void TValueListEditor::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (!current.isValid()) return;
    if (current.column() == 0) {
        // The caption column is fixed: the cursor stays in the value column.
        selectionModel()->setCurrentIndex(FModel->index(current.row(), 1),
                                          QItemSelectionModel::NoUpdate);
        return;
    }
    FSheet.SetCurrentRow(current.row());
    viewport()->update();
}

void TValueListEditor::mousePressEvent(QMouseEvent* e) {
    QTableView::mousePressEvent(e);
    QModelIndex at = indexAt(e->position().toPoint());
    if (at.isValid() && e->button() == Qt::LeftButton) {
        QModelIndex value = FModel->index(at.row(), 1);
        if (FModel->flags(value) & Qt::ItemIsEditable) edit(value);
    }
    emit MousePressed();
}

void TValueListEditor::mouseDoubleClickEvent(QMouseEvent* e) {
    QModelIndex at = indexAt(e->position().toPoint());
    if (at.isValid() && at.column() == 1) {
        const SheetRow* row = FModel->RowAt(at.row());
        if (row && row->HasPickList) {
            StepValue(at.row());
            return;
        }
    }
    QTableView::mouseDoubleClickEvent(e);
}

void TValueListEditor::focusInEvent(QFocusEvent* e) {
    QTableView::focusInEvent(e);
    viewport()->update();
}

void TValueListEditor::focusOutEvent(QFocusEvent* e) {
    QTableView::focusOutEvent(e);
    viewport()->update();
}

void TValueListEditor::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    emit EditorClosed();
}

// ---------------------------------------------------------------------------
// TSheetHeader

TSheetHeader::TSheetHeader(const char* panelName, const char* buttonName, const QString& caption,
                           const QColor& color, QWidget* parent)
    : QFrame(parent) {
    setObjectName(panelName);
    setFixedHeight(ParamSheet::RowPitch);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);

    FCaption = new QLabel(caption, this);
    QFont bold = FCaption->font();
    bold.setBold(true);
    FCaption->setFont(bold);
    FCaption->setGeometry(0, 0, 400, ParamSheet::RowPitch);
    FCaption->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    QPalette text = FCaption->palette();
    text.setColor(QPalette::WindowText, Qt::black);
    FCaption->setPalette(text);

    FButton = new QPushButton(QStringLiteral("-"), this);
    FButton->setObjectName(buttonName);
    FButton->setGeometry(5, 3, 12, 12);
    FButton->setFocusPolicy(Qt::NoFocus);
    FButton->setFont(bold);
    FButton->setStyleSheet(QStringLiteral(
        "QPushButton { padding: 0px; margin: 0px; border: 1px solid rgb(31, 79, 138);"
        " border-radius: 2px; background: white; color: black; font-size: 10px; }"
        "QPushButton:pressed { background: rgb(202, 227, 255); }"));
    connect(FButton, &QPushButton::clicked, this, &TSheetHeader::Toggled);
}

void TSheetHeader::ShowCollapsed(bool collapsed) {
    FButton->setText(collapsed ? QStringLiteral("+") : QStringLiteral("-"));
}

void TSheetHeader::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit Toggled();
}

void ToggleSheet(TValueListEditor* editor, TSheetHeader* header) {
    editor->Sheet().ToggleCollapse();
    SyncSheet(editor, header);
}

void SyncSheet(TValueListEditor* editor, TSheetHeader* header) {
    editor->SyncHeight();
    header->ShowCollapsed(editor->Sheet().Collapsed());
}
