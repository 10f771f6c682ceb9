#include "ui/SettingForm.h"

#include "ui/MainForm.h"

#include <QCloseEvent>
#include <QPushButton>

TSettingForm::TSettingForm(TMainForm& main) : QDialog(nullptr), FMain(main) {
    setObjectName("SettingForm");
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(391, 498);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName("btnOK");
    ok->setGeometry(208, 461, 75, 25);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);

    FGeneral.OutputPath = main.ProgramDir();
    main.Guarded([&] { FGeneral = main.Preferences().ReadGeneral(); });
}

void TSettingForm::ShowGeneralPage() {
    show();
}

void TSettingForm::ShowProfilesPage(int) {
    show();
}

void TSettingForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    OwnDialog(*this, FMain);
}

void TSettingForm::closeEvent(QCloseEvent* e) {
    ReleaseOwner(FMain);
    e->accept();
}

void TSettingForm::reject() {
    close();
}
