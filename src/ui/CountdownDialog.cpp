#include "ui/CountdownDialog.h"

#include "ui/QtText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TCountdownDialog::TCountdownDialog(QWidget* owner, CompletionAction action, int seconds,
                                   const std::string& note, int tickMs)
    : QDialog(owner), FAction(action), FLeft(seconds), FNote(note) {
    setObjectName("CountdownForm");
    setWindowTitle(QStringLiteral("Tarvolin PSP Video Converter"));
    setModal(true);
    labCountdown = new QLabel(this);
    labCountdown->setObjectName("labCountdown");
    labCountdown->setWordWrap(true);
    labCountdown->setMinimumWidth(320);
    btnNow = new QPushButton(action == CompletionAction::PowerOff ? QStringLiteral("Power off now")
                                                                  : QStringLiteral("Exit now"),
                             this);
    btnNow->setObjectName("btnNow");
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName("btnCancel");
    // Cancel is the safe choice: Enter and Esc both land on it.
    btnCancel->setDefault(true);
    btnCancel->setFocus();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnNow);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labCountdown);
    layout->addLayout(buttons);

    connect(btnNow, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    FTimer = new QTimer(this);
    FTimer->setInterval(tickMs);
    connect(FTimer, &QTimer::timeout, this, &TCountdownDialog::Tick);
    ShowText();
    FTimer->start();
}

void TCountdownDialog::Tick() {
    if (--FLeft <= 0) {
        FTimer->stop();
        accept();
        return;
    }
    ShowText();
}

void TCountdownDialog::ShowText() {
    const std::string text = CountdownText(FAction, FLeft);
    labCountdown->setText(ToQ(FNote.empty() ? text : FNote + "\n" + text));
}

bool TCountdownPrompter::ConfirmCountdown(CompletionAction action, int seconds,
                                          const std::string& note) {
    TCountdownDialog dialog(FOwner, action, seconds, note, FTickMs);
    FShowing = &dialog;
    const int result = dialog.exec();
    FShowing = nullptr;
    return result == QDialog::Accepted;
}

void TCountdownPrompter::Cancel() {
    if (FShowing) FShowing->reject();
}
