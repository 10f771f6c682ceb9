#pragma once
// The countdown before a completion action that ends the program or the
// session: a small dialog over the main window that says what will happen
// and in how many seconds, updated each second, with Cancel and a button
// that runs the action at once. When the time runs out the action runs.
#include "engine/CompletionActions.h"

#include <QDialog>
#include <QPointer>
#include <string>

class QLabel;
class QPushButton;
class QTimer;

class TCountdownDialog : public QDialog {
    Q_OBJECT
public:
    // Named "CountdownForm"; its text "labCountdown", its buttons "btnNow"
    // ("Power off now" or "Exit now") and "btnCancel". tickMs is the length
    // of one counted second.
    TCountdownDialog(QWidget* owner, CompletionAction action, int seconds,
                     const std::string& note = "", int tickMs = 1000);
    int SecondsLeft() const { return FLeft; }

private:
    void Tick();
    // The note and the seconds left.
    void ShowText();

    CompletionAction FAction;
    int FLeft;
    std::string FNote;
    QLabel* labCountdown = nullptr;
    QPushButton* btnNow = nullptr;
    QPushButton* btnCancel = nullptr;
    QTimer* FTimer = nullptr;
};

// The window's countdown prompter: runs the dialog modally over owner.
class TCountdownPrompter : public CountdownPrompter {
public:
    explicit TCountdownPrompter(QWidget* owner) : FOwner(owner) {}
    bool ConfirmCountdown(CompletionAction action, int seconds, const std::string& note) override;
    // Ends a countdown that is showing as a Cancel (the window is closing).
    void Cancel();
    // The length of one counted second; tests shorten it.
    void SetTickMs(int ms) { FTickMs = ms; }

private:
    QWidget* FOwner;
    int FTickMs = 1000;
    QPointer<TCountdownDialog> FShowing;
};
