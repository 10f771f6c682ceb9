#pragma once
// Shows one task's log: the command line, how the task ended and the
// encoder's text, read-only but selectable, with a button that copies all of
// it. Not modal: the main window stays usable while it is open.
#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;

class TLogDialog : public QDialog {
    Q_OBJECT
public:
    // title: the task's file name; text: its log as plain text (8-bit, as
    // the program holds texts).
    TLogDialog(QWidget* owner, const std::string& title, const std::string& text);

    QPlainTextEdit* memLog;
    QPushButton* btnCopy;
    QPushButton* btnClose;

public slots:
    // Puts the whole log on the clipboard.
    void btnCopyClick();
};
