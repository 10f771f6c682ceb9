#include "engine/CompletionActions.h"

std::string CompletionNote(bool autoTurnOff, bool autoExit) {
    if (autoTurnOff) return "Then: power off";
    if (autoExit) return "Then: exit the program";
    return "";
}

std::string CountdownText(CompletionAction action, int secondsLeft) {
    const std::string when =
        secondsLeft == 1 ? "1 second" : std::to_string(secondsLeft) + " seconds";
    if (action == CompletionAction::PowerOff)
        return "The conversion has ended. The computer will be powered off in " + when + ".";
    return "The conversion has ended. The program will exit in " + when + ".";
}

std::string BatchFinishedText(int count, int failed) {
    if (failed > 0) return std::to_string(failed) + " of " + std::to_string(count) + " failed";
    return count == 1 ? "1 file converted" : std::to_string(count) + " files converted";
}

std::string KeepAwakeReason(int count) {
    return count == 1 ? "Converting 1 video" : "Converting " + std::to_string(count) + " videos";
}
