#include "ui/QtDesktop.h"

#include "ui/QtText.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

MsgResult TMessageBoxPrompter::Message(const std::string& text, const std::string& caption,
                                       MsgIcon icon, MsgButtons buttons) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case MsgIcon::None:
        break;
    case MsgIcon::Information:
        qicon = QMessageBox::Information;
        break;
    case MsgIcon::Warning:
        qicon = QMessageBox::Warning;
        break;
    case MsgIcon::Error:
        qicon = QMessageBox::Critical;
        break;
    case MsgIcon::Question:
        qicon = QMessageBox::Question;
        break;
    }
    const bool yesNo = buttons != MsgButtons::Ok;
    QMessageBox box(qicon, ToQ(caption), ToQ(text),
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
    if (buttons == MsgButtons::YesNoDefaultNo) box.setDefaultButton(QMessageBox::No);
    int answer = box.exec();
    if (yesNo) return answer == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
    return MsgResult::Ok;
}

void TDesktopShell::Open(const std::string& path) {
    // The desktop reports a missing file or a missing handler itself.
    QDesktopServices::openUrl(QUrl::fromLocalFile(ToQ(path)));
}
