#pragma once
// The task list as the window shows it: a table model over the task queue of
// the core (the queue stays the one store; the model shows its tasks by row)
// and the list view with its keys.
#include "tasks/TaskQueue.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTreeView>

class TTaskListModel : public QAbstractTableModel, public TaskQueue::Listener {
    Q_OBJECT
public:
    // Columns "Input File", "Length", "Size", "Status": the input, the
    // probed length and size, and the state's text, whose tooltip tells why
    // a task is unreadable, failed, incomplete or stopped.
    static constexpr int ColumnCount = 4;
    // The Status cell of a converting or paused task gives its percent
    // under this role; other cells give nothing.
    static constexpr int PercentRole = Qt::UserRole + 1;

    TTaskListModel(TaskQueue& tasks, QObject* parent);
    ~TTaskListModel() override;
    // Stops listening (the queue is about to go away).
    void Detach();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // TaskQueue::Listener
    void TasksAboutToBeInserted(int first, int last) override;
    void TasksInserted(int first, int last) override;
    void TasksAboutToBeRemoved(int first, int last) override;
    void TasksRemoved(int first, int last) override;
    void TasksExchanged(int row) override;
    void TaskChanged(int row, TaskId id) override;

private:
    TaskQueue* FTasks;
};

// Draws a Status cell that has a percent with a bar of it behind the text.
class TStatusDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// The list view ltvTask: whole rows, several may be selected; Delete runs
// Remove and Backspace runs Clear whatever modifier keys are held.
class TTaskListView : public QTreeView {
    Q_OBJECT
public:
    explicit TTaskListView(QWidget* parent);

signals:
    void DeletePressed();
    void BackspacePressed();
    void WidthChanged(int width);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    // The list's own width (resizeEvent tells the viewport's).
    bool event(QEvent* e) override;
};
