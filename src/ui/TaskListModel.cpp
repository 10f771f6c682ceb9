#include "ui/TaskListModel.h"

#include "ui/Look.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

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
    const Task& task = FTasks->At(index.row());
    if (role == PercentRole) {
        const bool running = task.State == TaskState::Converting || task.State == TaskState::Paused;
        return index.column() == 3 && running ? QVariant(task.Percent) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
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
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {Qt::DisplayRole, PercentRole});
}

void TStatusDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const QVariant percent = index.data(TTaskListModel::PercentRole);
    if (!percent.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget* view = cell.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    // The cell's background and selection, then the bar, then the text.
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);
    QRect bar = cell.rect.adjusted(1, 2, -1, -2);
    bar.setWidth(bar.width() * std::clamp(percent.toInt(), 0, 100) / 100);
    painter->fillRect(bar, Look::RowProgress);
    const QPalette::ColorGroup group =
        cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    const QPalette::ColorRole ink =
        cell.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text;
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    painter->save();
    painter->setPen(cell.palette.color(group, ink));
    painter->setFont(cell.font);
    painter->drawText(cell.rect.adjusted(margin, 0, -margin, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      text);
    painter->restore();
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
