#pragma once
// The about box: the program's name and version. Shown without waiting; the
// main window is disabled while it is open.
#include <QDialog>

class QLabel;
class QPushButton;
class TMainForm;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(TMainForm& main);

    QLabel* labProgramName;
    QLabel* labVersion;
    QPushButton* btnOK;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    TMainForm& FMain;
};
