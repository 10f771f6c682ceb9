#include "ui/LogDialog.h"

#include "ui/QtText.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TLogDialog::TLogDialog(QWidget* owner, const std::string& title, const std::string& text)
    : QDialog(owner) {
    setObjectName("LogDialog");
    setWindowTitle(QStringLiteral("Log - ") + ToQ(title));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    resize(720, 460);

    // A plain-text box: the encoder's text is never read as markup.
    memLog = new QPlainTextEdit(this);
    memLog->setObjectName("memLog");
    memLog->setReadOnly(true);
    memLog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    memLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    memLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memLog->setPlainText(ToQ(text));

    btnCopy = new QPushButton(QStringLiteral("Copy"), this);
    btnCopy->setObjectName("btnCopy");
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setObjectName("btnClose");
    btnClose->setDefault(true);
    connect(btnCopy, &QPushButton::clicked, this, &TLogDialog::btnCopyClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCopy);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memLog, 1);
    layout->addLayout(buttons);
}

void TLogDialog::btnCopyClick() {
    QGuiApplication::clipboard()->setText(memLog->toPlainText());
}
