#pragma once
// "Video Size of output files": asks for a custom output size when the
// main window's "Video Size" row is set to "Custom Size". Shown without
// waiting; the main window is disabled while it is open.
#include <QDialog>

class DialogHost;
class ParamSheet;
class Prompter;
class QLineEdit;
class QPushButton;

class TSizeForm : public QDialog {
    Q_OBJECT
public:
    // videoSheet: the main window's Video sheet, whose "Video Size" the
    // dialog sets.
    TSizeForm(DialogHost& main, Prompter& prompter, ParamSheet& videoSheet);

    QLineEdit* edtWidth;
    QLineEdit* edtHeight;
    QPushButton* btnOK;
    QPushButton* btnCancel;

public slots:
    void btnOKClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override; // the Escape key closes like Cancel

private:
    DialogHost& FMain;
    Prompter& FPrompter;
    ParamSheet& FVideo;
};
