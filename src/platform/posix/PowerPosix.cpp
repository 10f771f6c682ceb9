// Powering the machine off on Linux: the login manager (logind) is asked over
// the system bus through its own command-line clients, so the program needs no
// D-Bus library. The programs are started directly, never through a shell.
#include "platform/Desktop.h"

#include <cerrno>
#include <spawn.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

// Runs a program found on PATH with args and waits for it; true when it
// exited with status 0.
bool RunAndWait(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class LogindPowerControl : public PowerControl {
public:
    void PowerOff() override {
        // PowerOff(interactive = false): logind decides by its policy, without
        // asking for a password the user could not type at the end of a batch.
        if (RunAndWait({"busctl", "call", "org.freedesktop.login1", "/org/freedesktop/login1",
                        "org.freedesktop.login1.Manager", "PowerOff", "b", "false"}))
            return;
        RunAndWait({"systemctl", "poweroff"});
    }
};

} // namespace

std::unique_ptr<PowerControl> CreateSystemPowerControl() {
    return std::make_unique<LogindPowerControl>();
}

std::unique_ptr<SleepInhibitor> CreateSystemSleepInhibitor() {
    return nullptr;
}
