#include "ui/AboutForm.h"

#include "ui/DialogHost.h"
#include "ui/Look.h"
#include "ui/QtText.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

TAboutForm::TAboutForm(DialogHost& main, const std::string& productName,
                       const std::string& versionText)
    : QDialog(nullptr), FMain(main) {
    setObjectName("AboutForm");
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    setModal(false);

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 0, ClientWidth, ClientHeight);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, ClientWidth, ClientHeight);
    Image1->setPixmap(Picture("about"));

    // The labels lie on the dark band of the picture; a label without a
    // background of its own lets the picture show through.
    QPalette onArtwork = palette();
    onArtwork.setColor(QPalette::WindowText, Look::ArtworkText);

    labProgramName = new QLabel(ToQ(productName), Panel1);
    labProgramName->setObjectName("labProgramName");
    labProgramName->setGeometry(259, 21, 201, 20);
    labProgramName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labProgramName->setFont(ProgramNameFont());
    labProgramName->setPalette(onArtwork);
    // A name wider than the label grows it to the left: the right edge stays.
    int nameWidth = labProgramName->sizeHint().width();
    if (nameWidth > labProgramName->width())
        labProgramName->setGeometry(259 + 201 - nameWidth, 21, nameWidth, 20);

    labVersion = new QLabel(QStringLiteral("Version ") + ToQ(versionText), Panel1);
    labVersion->setObjectName("labVersion");
    labVersion->setGeometry(400, 48, 51, 13);
    labVersion->setPalette(onArtwork);
    // Sized to its text, as a longer version must not be cut off.
    labVersion->adjustSize();

    btnOK = new QPushButton(QStringLiteral("&OK"), Panel1);
    btnOK->setObjectName("btnOK");
    btnOK->setGeometry(376, 284, 75, 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TAboutForm::btnOKClick);
}

void TAboutForm::btnOKClick() {
    close();
}

void TAboutForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Only a real showing counts, not the desktop restoring the window.
    if (e->spontaneous()) return;
    // Centred on the main window, which takes no input until this closes.
    FMain.OwnDialog(*this);
}

void TAboutForm::closeEvent(QCloseEvent* e) {
    // By OK or the close box: hidden, not destroyed; the main window works
    // again.
    FMain.ReleaseDialog();
    e->accept();
}

void TAboutForm::reject() {
    close();
}
