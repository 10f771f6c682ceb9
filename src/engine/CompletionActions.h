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
