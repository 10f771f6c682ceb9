#pragma once
// The task list as the window shows it: a table model over the task rows of
// the core (the rows stay the one store; the model only shows them) and the
// list view with its keys.
#include "tasks/TaskRecord.h"

#include <QAbstractTableModel>
#include <QTreeView>
#include <functional>
#include <string>

class TTaskListModel : public QAbstractTableModel, public TaskRows::Listener {
    Q_OBJECT
public:
    // Columns "Input File", "Length", "Size", "Status": the row caption and
    // sub-items 0 to 2.
    static constexpr int ColumnCount = 4;

    TTaskListModel(TaskRows& rows, QObject* parent);
    ~TTaskListModel() override;
    // Stops listening (the rows are about to go away).
    void Detach();
    // The tooltip of a row's Status cell; an empty text shows none.
    void SetStatusTip(std::function<std::string(const TaskRow&)> tip) {
        FStatusTip = std::move(tip);
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void RowsAboutToBeInserted(int first, int last) override;
    void RowsInserted(int first, int last) override;
    void RowsAboutToBeRemoved(int first, int last) override;
    void RowsRemoved(int first, int last) override;
    void RowChanged(int row, int column) override;

private:
    TaskRows* FRows;
    std::function<std::string(const TaskRow&)> FStatusTip;
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
