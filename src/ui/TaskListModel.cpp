#include "ui/TaskListModel.h"

#include "ui/QtText.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QResizeEvent>

TTaskListModel::TTaskListModel(TaskQueue& tasks, QObject* parent)
    : QAbstractTableModel(parent), FTasks(&tasks) {
    tasks.SetListener(this);
}

TTaskListModel::~TTaskListModel() {
    Detach();
}

void TTaskListModel::Detach() {
    if (!FTasks) return;
    FTasks->SetListener(nullptr);
    FTasks = nullptr;
}

int TTaskListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !FTasks ? 0 : FTasks->Count();
}

int TTaskListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TTaskListModel::data(const QModelIndex& index, int role) const {
    if (!FTasks || !index.isValid() || index.row() >= FTasks->Count()) return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    const Task& task = FTasks->At(index.row());
    switch (index.column()) {
    case 0:
        return ToQ(task.InputFile);
    case 1:
        return role == Qt::DisplayRole ? ToQ(task.Length) : QVariant();
    case 2:
        return role == Qt::DisplayRole ? ToQ(task.Size) : QVariant();
    case 3:
        if (role == Qt::DisplayRole) return QString::fromLatin1(StatusText(task.State));
        return task.Reason.empty() ? QVariant() : ToQ(task.Reason);
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

void TTaskListModel::TasksAboutToBeInserted(int first, int last) {
    beginInsertRows(QModelIndex(), first, last);
}
void TTaskListModel::TasksInserted(int, int) {
    endInsertRows();
}
void TTaskListModel::TasksAboutToBeRemoved(int first, int last) {
    beginRemoveRows(QModelIndex(), first, last);
}
void TTaskListModel::TasksRemoved(int, int) {
    endRemoveRows();
}

void TTaskListModel::TasksExchanged(int row) {
    // The rows stay; what they show changes places.
    emit dataChanged(index(row, 0), index(row + 1, ColumnCount - 1), {Qt::DisplayRole});
}

void TTaskListModel::TaskChanged(int row, TaskId) {
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {Qt::DisplayRole});
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
