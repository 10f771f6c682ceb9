#include "ui/TaskListModel.h"

#include "ui/QtText.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QResizeEvent>

TTaskListModel::TTaskListModel(TaskRows& rows, QObject* parent)
    : QAbstractTableModel(parent), FRows(&rows) {
    rows.SetListener(this);
}

TTaskListModel::~TTaskListModel() {
    Detach();
}

void TTaskListModel::Detach() {
    if (!FRows) return;
    FRows->SetListener(nullptr);
    FRows = nullptr;
}

int TTaskListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !FRows ? 0 : FRows->Count();
}

int TTaskListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TTaskListModel::data(const QModelIndex& index, int role) const {
    if (!FRows || !index.isValid() || index.row() >= FRows->Count()) return {};
    const TaskRow& row = FRows->Row(index.row());
    if (role == Qt::DisplayRole) {
        if (index.column() == 0) return ToQ(row.Caption);
        return ToQ(row.SubItems[static_cast<size_t>(index.column() - 1)]);
    }
    if (role == Qt::ToolTipRole && index.column() == 0) return ToQ(row.Caption);
    if (role == Qt::ToolTipRole && index.column() == tfStatus + 1 && FStatusTip) {
        std::string tip = FStatusTip(row);
        if (!tip.empty()) return ToQ(tip);
    }
    return {};
}

QVariant TTaskListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* captions[ColumnCount] = {"Input File", "Length", "Size", "Status"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(captions[section])
                                                 : QVariant();
}

Qt::ItemFlags TTaskListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TTaskListModel::RowsAboutToBeInserted(int first, int last) {
    beginInsertRows(QModelIndex(), first, last);
}
void TTaskListModel::RowsInserted(int, int) {
    endInsertRows();
}
void TTaskListModel::RowsAboutToBeRemoved(int first, int last) {
    beginRemoveRows(QModelIndex(), first, last);
}
void TTaskListModel::RowsRemoved(int, int) {
    endRemoveRows();
}

void TTaskListModel::RowChanged(int row, int column) {
    // Caption and the first three sub-items have columns; the rest are kept
    // in the row without being shown.
    int shown = column + 1;
    if (shown < 0 || shown >= ColumnCount) return;
    QModelIndex i = index(row, shown);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

TTaskListView::TTaskListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setTextElideMode(Qt::ElideMiddle);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
}

void TTaskListView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Delete) {
        emit DeletePressed();
        return;
    }
    if (e->key() == Qt::Key_Backspace) {
        emit BackspacePressed();
        return;
    }
    QTreeView::keyPressEvent(e);
}

bool TTaskListView::event(QEvent* e) {
    bool handled = QTreeView::event(e);
    if (e->type() == QEvent::Resize) {
        auto* resize = static_cast<QResizeEvent*>(e);
        if (resize->size().width() != resize->oldSize().width())
            emit WidthChanged(resize->size().width());
    }
    return handled;
}
