#include "ui/SizeForm.h"

#include "config/NewInifiles.h"
#include "platform/Desktop.h"
#include "profiles/ParamSheet.h"
#include "ui/DialogHost.h"
#include "ui/QtText.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TSizeForm::TSizeForm(DialogHost& main, Prompter& prompter, ParamSheet& videoSheet)
    : QDialog(nullptr), FMain(main), FPrompter(prompter), FVideo(videoSheet) {
    setObjectName("SizeForm");
    setWindowTitle(QStringLiteral("Video Size of output files"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(336, 106);
    setModal(false);

    auto* width = new QLabel(QStringLiteral("Width:"), this);
    width->move(19, 24);
    edtWidth = new QLineEdit(this);
    edtWidth->setObjectName("edtWidth");
    edtWidth->setGeometry(56, 20, 81, 21);
    auto* height = new QLabel(QStringLiteral("Height:"), this);
    height->move(176, 24);
    edtHeight = new QLineEdit(this);
    edtHeight->setObjectName("edtHeight");
    edtHeight->setGeometry(216, 20, 97, 21);
    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName("btnOK");
    btnOK->setGeometry(160, 64, 75, 25);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setGeometry(248, 64, 75, 25);
    connect(btnOK, &QPushButton::clicked, this, &TSizeForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TSizeForm::btnCancelClick);
}

void TSizeForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Centred on the main window; the user works only here until it closes.
    FMain.OwnDialog(*this);
}

void TSizeForm::btnOKClick() {
    int32_t number;
    std::string width = FromQ(edtWidth->text());
    std::string height = FromQ(edtHeight->text());
    if (!TryParseInteger(width, number)) {
        FPrompter.Message("Please specify a proper width for output videos.", "Incorrect Width",
                          MsgIcon::Information);
        edtWidth->setFocus();
        return;
    }
    if (!TryParseInteger(height, number)) {
        FPrompter.Message("Please specify a proper height for output videos.", "Incorrect Height",
                          MsgIcon::Information);
        edtHeight->setFocus();
        return;
    }
    // Kept exactly as typed, blanks included.
    FVideo.SetValue(VideoSizeCaption, width + "x" + height);
    close();
}

void TSizeForm::btnCancelClick() {
    close();
}

void TSizeForm::reject() {
    close();
}

void TSizeForm::closeEvent(QCloseEvent* e) {
    // Without a valid size the row cannot stay at "Custom Size".
    if (FVideo.Value(VideoSizeCaption) == CustomSizeValue)
        FVideo.SetValue(VideoSizeCaption, std::string(OriginalSizeValue));
    FMain.ReleaseDialog();
    e->accept();
}
