#pragma once
// The batch conversion as the main window runs it: the driver of the core
// over the window's part (its tasks, its settings, the observer of the
// batch's snapshots, its prompter and shell, the closing of the window) and
// what the batch adds of its own: the encoders of a batch, the tasks' logs
// written into the logs folder, the countdown before power-off or exit, the
// power control installed later, and the window's event loop as the pump.
#include "engine/BatchDriver.h"
#include "engine/TaskLog.h"
#include "ui/CountdownDialog.h"

#include <string>

class QWidget;

class TMainBatch {
public:
    // window: Tasks, Observer, Settings, Prompt, Shell, ProgramTitle and
    // CloseMainWindow; owner: the window the countdown lies over. No power
    // control is installed until SetPowerControl.
    TMainBatch(BatchServices window, QWidget& owner, const std::string& encoderPath,
               const std::string& logsDir);

    BatchDriver& Driver() { return FDriver; }
    const BatchDriver& Driver() const { return FDriver; }
    // What the power-off completion action calls; nullptr: nothing (the
    // window closes all the same).
    void SetPowerControl(PowerControl* power) { FPower.Target = power; }
    // The countdown before power-off or exit: the length of its second
    // (tests shorten it), and its end as a Cancel when the window closes.
    void SetCountdownTick(int ms) { FCountdown.SetTickMs(ms); }
    void CancelCountdown() { FCountdown.Cancel(); }

private:
    // Forwards to the installed power control, if any.
    struct PowerSwitch : PowerControl {
        PowerControl* Target = nullptr;
        void PowerOff() override {
            if (Target) Target->PowerOff();
        }
    };
    BatchServices WithOwnParts(BatchServices window);

    PowerSwitch FPower;
    TaskLog FLog;
    TCountdownPrompter FCountdown;
    // The batch's encoders, several at once.
    EncoderRunSet FRuns;
    BatchDriver FDriver;
};
