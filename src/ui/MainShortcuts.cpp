// The main window's keyboard: keys for adding, Start, Stop, Settings and
// Help, named in the commands' tooltips along with the task list's own keys,
// and the order Tab takes through the controls (Space then presses the
// button that has the focus, such as Move Up or About).
#include "preview/PreviewPanel.h"
#include "ui/MainForm.h"
#include "ui/TaskListModel.h"
#include "ui/ValueListEditor.h"

#include <QAction>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>
#include <utility>

namespace {

const char KeysProperty[] = "commandKeys";

QList<QKeySequence> KeysOf(const QAction* action) {
    return action->property(KeysProperty).value<QList<QKeySequence>>();
}

// Notes the keys of a command and names them in its tooltip (the keypad's
// Enter goes without saying next to Return); the keys are bound by
// ApplyShortcuts.
void SetKeys(QAction* action, const QList<QKeySequence>& keys) {
    action->setProperty(KeysProperty, QVariant::fromValue(keys));
    action->setShortcutContext(Qt::WindowShortcut);
    QStringList names;
    for (const QKeySequence& key : keys)
        if (key[0].key() != Qt::Key_Enter) names << key.toString(QKeySequence::NativeText);
    const QString hint = action->toolTip() + QStringLiteral(" (") +
                         names.join(QStringLiteral(", ")) + QLatin1Char(')');
    action->setToolTip(hint);
    action->setStatusTip(hint);
}

// Delete and Backspace stay the task list's own keys (a window-wide Delete
// would remove tasks while the focus is in an edit box); the tooltips name
// them all the same. The keys are named themselves: the desktop's standard
// keys for deleting are not Backspace everywhere.
void NameKey(QAction* action, Qt::Key key) {
    action->setToolTip(action->toolTip() + QStringLiteral(" (") +
                       QKeySequence(key).toString(QKeySequence::NativeText) + QLatin1Char(')'));
}

} // namespace

void TMainForm::AssignShortcuts() {
    SetKeys(tbtnAddFile, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    SetKeys(tbtnAddDir, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)});
    SetKeys(tbtnStart, {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return),
                        QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    SetKeys(tbtnStop, {QKeySequence(Qt::Key_Escape)});
    SetKeys(tbtnPause, {QKeySequence(Qt::CTRL | Qt::Key_P)});
    SetKeys(tbtnStopAfter, {QKeySequence(Qt::SHIFT | Qt::Key_Escape)});
    SetKeys(tbtnSetting, {QKeySequence(Qt::CTRL | Qt::Key_Comma)});
    SetKeys(tbtnHelp, {QKeySequence(Qt::Key_F1)});
    NameKey(tbtnRemove, Qt::Key_Delete);
    NameKey(tbtnClear, Qt::Key_Backspace);
    // The flat buttons take the focus from Tab, so that Move Up, Move Down
    // and About work from the keyboard too.
    for (QToolButton* button : ToolBarButtons())
        button->setFocusPolicy(Qt::TabFocus);
    ApplyShortcuts(false);
}

void TMainForm::ApplyShortcuts(bool busy) {
    // While a batch runs the list and its commands must not change, and Start
    // must not run again; Esc stops it, Ctrl+P pauses it and Shift+Esc stops
    // it after the current tasks. The others stay: Help works always.
    for (QAction* command : {tbtnAddFile, tbtnAddDir, tbtnStart, tbtnSetting})
        command->setShortcuts(busy ? QList<QKeySequence>() : KeysOf(command));
    for (QAction* command : {tbtnStop, tbtnPause, tbtnStopAfter})
        command->setShortcuts(busy ? KeysOf(command) : QList<QKeySequence>());
    tbtnHelp->setShortcuts(KeysOf(tbtnHelp));
}

QList<QToolButton*> TMainForm::ToolBarButtons() const {
    return {sbtnAddFile, sbtnAddDir, sbtnOptions,  sbtnDelete,  sbtnClear,
            sbtnUp,      sbtnDown,   SpeedButton1, SpeedButton2};
}

void TMainForm::SetTabOrder() {
    // The task list first, then the profile and output path below it, then
    // the sheets of the right-hand column (each after its header's
    // collapse button) and the preview, then the buttons of the tool bars.
    QList<QWidget*> order = {ltvTask, cmbProfile, bbtnSetting, edtOutputdir, bbtnBrowser, bbtnOpen};
    const std::pair<TSheetHeader*, TValueListEditor*> sheets[] = {{panOutput, vleOutput},
                                                                  {panVideo, vleVideo},
                                                                  {panAudio, vleAudio},
                                                                  {panAdvanced, vleAdvanced}};
    for (auto [header, sheet] : sheets) {
        QPushButton* collapse = header->Button();
        collapse->setFocusPolicy(Qt::TabFocus);
        // The small button draws no focus frame of its own.
        collapse->setStyleSheet(collapse->styleSheet() +
                                QStringLiteral("QPushButton:focus { border: 2px solid black; }"));
        order.append(collapse);
        order.append(sheet);
    }
    for (QToolButton* button : {Preview->sbtnPlay(), Preview->sbtnPause(), Preview->sbtnStop()}) {
        button->setFocusPolicy(Qt::TabFocus);
        order.append(button);
    }
    for (QToolButton* button : ToolBarButtons())
        order.append(button);
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}
