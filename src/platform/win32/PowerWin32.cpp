// Powering the machine off on Windows: enable the shutdown privilege of the
// process's token, then ask the system to log off, shut down and power off.
#include "platform/Desktop.h"

#include <windows.h>

namespace {

// Failures are ignored: ExitWindowsEx is asked in any case, and says no by
// itself when the privilege is missing.
void EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    // TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY
    if (!OpenProcessToken(GetCurrentProcess(), 0x28, &token)) return;
    LUID luid;
    if (LookupPrivilegeValueA("", "SeShutdownPrivilege", &luid)) {
        TOKEN_PRIVILEGES wanted;
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Luid = luid;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        TOKEN_PRIVILEGES previous;
        DWORD previousLength = sizeof(previous);
        AdjustTokenPrivileges(token, FALSE, &wanted, sizeof(previous), &previous, &previousLength);
    }
    CloseHandle(token);
}

class WindowsPowerControl : public PowerControl {
public:
    void PowerOff() override {
        EnableShutdownPrivilege();
        ExitWindowsEx(EWX_POWEROFF, 0);
    }
};

} // namespace

std::unique_ptr<PowerControl> CreateSystemPowerControl() {
    return std::make_unique<WindowsPowerControl>();
}

namespace {

// Holds the system awake for as long as the asking thread keeps the state.
class ExecutionStateInhibitor : public SleepInhibitor {
public:
    bool Inhibit(const std::string&, std::string& problem) override {
        if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) == 0) {
            problem = "SetThreadExecutionState failed";
            return false;
        }
        FHeld = true;
        return true;
    }
    void Release() override {
        if (FHeld) SetThreadExecutionState(ES_CONTINUOUS);
        FHeld = false;
    }
    ~ExecutionStateInhibitor() override { Release(); }

private:
    bool FHeld = false;
};

} // namespace

std::unique_ptr<SleepInhibitor> CreateSystemSleepInhibitor() {
    return std::make_unique<ExecutionStateInhibitor>();
}
