#include "ui/AboutForm.h"

#include "ui/MainForm.h"
#include "ui/QtText.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

TAboutForm::TAboutForm(TMainForm& main) : QDialog(nullptr), FMain(main) {
    setObjectName("AboutForm");
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(476, 330);
    labProgramName = new QLabel(ToQ(TMainForm::ProductName), this);
    labProgramName->setObjectName("labProgramName");
    labProgramName->setGeometry(259, 21, 201, 20);
    labProgramName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labVersion = new QLabel(QStringLiteral("Version ") + ToQ(main.VersionText()), this);
    labVersion->setObjectName("labVersion");
    labVersion->setGeometry(400, 48, 51, 13);
    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName("btnOK");
    btnOK->setGeometry(376, 284, 75, 25);
    connect(btnOK, &QPushButton::clicked, this, &QWidget::close);
}

void TAboutForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    OwnDialog(*this, FMain);
}

void TAboutForm::closeEvent(QCloseEvent* e) {
    ReleaseOwner(FMain);
    e->accept();
}

void TAboutForm::reject() {
    close();
}
