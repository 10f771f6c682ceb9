#pragma once
// The about box: the program's name and version over a picture. Created once
// at start-up and only shown and hidden; shown without waiting, while the
// main window takes no input until it closes.
#include <QDialog>
#include <string>

class DialogHost;
class QLabel;
class QPushButton;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 476;
    static constexpr int ClientHeight = 330;

    // Fills the labels once: the product name and "Version " + the version.
    TAboutForm(DialogHost& main, const std::string& productName, const std::string& versionText);

    QWidget* Panel1;
    QLabel* Image1;
    QLabel* labProgramName;
    QLabel* labVersion;
    QPushButton* btnOK;

public slots:
    void btnOKClick();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override; // the Escape key closes like OK

private:
    DialogHost& FMain;
};
