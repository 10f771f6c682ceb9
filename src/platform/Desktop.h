#pragma once
// What the core asks of the desktop: message boxes, opening a folder or a file
// with the desktop's default handler, and powering the computer off. The
// window implements them; tests use fakes that record and answer.
#include <memory>
#include <string>

enum class MsgIcon { None, Information, Warning, Error, Question };
// YesNoDefaultNo: Yes and No with No the default, where a stray Enter must
// not answer Yes (Esc answers No with both).
enum class MsgButtons { Ok, YesNo, YesNoDefaultNo };
enum class MsgResult { Ok, Yes, No };

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual MsgResult Message(const std::string& text, const std::string& caption, MsgIcon icon,
                              MsgButtons buttons = MsgButtons::Ok) = 0;
};

class ShellActions {
public:
    virtual ~ShellActions() = default;
    // Opens a folder in the file manager or a file with its default program.
    // The result is not reported: a failure is the desktop's own to show.
    virtual void Open(const std::string& path) = 0;
};

class PowerControl {
public:
    virtual ~PowerControl() = default;
    virtual void PowerOff() = 0;
};

// Keeps the computer from going to sleep, or idling into sleep, while a
// batch runs.
class SleepInhibitor {
public:
    virtual ~SleepInhibitor() = default;
    // Holds the computer awake until Release, saying why ("Converting 12
    // videos") where the system asks. False with what went wrong when
    // nothing holds it.
    virtual bool Inhibit(const std::string& why, std::string& problem) = 0;
    // Lets go; harmless when nothing is held.
    virtual void Release() = 0;
};

// The system's own means where it has one: SetThreadExecutionState on
// Windows (held by the thread that asks). Null elsewhere: Linux desktops
// are asked over D-Bus, by the window.
std::unique_ptr<SleepInhibitor> CreateSystemSleepInhibitor();

// The machine's real power-off: the login manager on Linux (logind, else
// systemctl poweroff), ExitWindowsEx with the shutdown privilege on Windows.
// Only the program's entry creates it; tests never do.
std::unique_ptr<PowerControl> CreateSystemPowerControl();
