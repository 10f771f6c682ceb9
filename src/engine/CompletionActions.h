#pragma once
// The completion actions that end the program or the session: before either
// runs, the user gets a countdown that can cancel it or run it at once.
#include <string>

enum class CompletionAction { PowerOff, Exit };

// How long the countdown before each action lasts.
inline constexpr int PowerOffCountdownSeconds = 60;
inline constexpr int ExitCountdownSeconds = 10;

class CountdownPrompter {
public:
    virtual ~CountdownPrompter() = default;
    // Says note (when not empty) and what will happen in seconds, and
    // counts down. true: go on (the time ran out or the user asked for it
    // now); false: the user cancelled.
    virtual bool ConfirmCountdown(CompletionAction action, int seconds,
                                  const std::string& note) = 0;
};

// What the progress panel says the batch will be followed by: "Then: power
// off", "Then: exit the program", or empty when neither is set. Power-off
// wins when both are set, as it does at the end.
std::string CompletionNote(bool autoTurnOff, bool autoExit);

// The countdown's text: what happens, and in how many seconds.
std::string CountdownText(CompletionAction action, int secondsLeft);

// Word to the desktop that a batch has converted all its tasks, for a user
// who has turned to other things: the front end tells it only while its
// window is not the active one.
class BatchNotifier {
public:
    virtual ~BatchNotifier() = default;
    virtual void BatchFinished(const std::string& text) = 0;
};

// That word for a batch of count tasks of which failed did not end well
// (incomplete ones among them): "12 files converted", "1 file converted",
// "1 of 12 failed".
std::string BatchFinishedText(int count, int failed);

// What the computer is told while a batch runs, so that it does not go to
// sleep: "Converting 12 videos", "Converting 1 video".
std::string KeepAwakeReason(int count);

// What the progress panel and the batch's log say when nothing keeps the
// computer awake.
inline constexpr const char* MaySleepWarning = "The computer may go to sleep during this batch";
