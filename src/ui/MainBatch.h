#pragma once
// The batch conversion as the main window runs it: the driver of the core
// over the window's busy and idle looks, its progress panel and one-second
// timer, its live settings (output path box, the loaded profile's extension,
// the settings dialog's General values) and the window's desktop services.
#include "engine/BatchDriver.h"
#include "engine/TaskLog.h"
#include "ui/CountdownDialog.h"

#include <string>

class TMainForm;

class TMainBatch : public BatchSettings {
public:
    // The window's runner, prompter and shell are used; no power control is
    // installed until SetPowerControl.
    explicit TMainBatch(TMainForm& form);

    BatchDriver& Driver() { return FDriver; }
    const BatchDriver& Driver() const { return FDriver; }
    // What the power-off completion action calls; nullptr: nothing (the
    // window closes all the same).
    void SetPowerControl(PowerControl* power) { FPower.Target = power; }
    // The countdown before power-off or exit: the length of its second
    // (tests shorten it), and its end as a Cancel when the window closes.
    void SetCountdownTick(int ms) { FCountdown.SetTickMs(ms); }
    void CancelCountdown() { FCountdown.Cancel(); }

    // BatchSettings
    std::string OutputDirText() const override;
    std::string OutputExtension() const override;
    bool Overwrite() const override;
    bool AutoTurnOff() const override;
    bool AutoExit() const override;
    bool AutoOpenDir() const override;
    std::string ProfileFilePath() const override;
    SheetSet ProfileSheets() const override;
    std::string ProgramTitle() const override;
    int SimultaneousConversions() const override;

private:
    // Forwards to the installed power control, if any.
    struct PowerSwitch : PowerControl {
        PowerControl* Target = nullptr;
        void PowerOff() override {
            if (Target) Target->PowerOff();
        }
    };
    TMainForm& F;
    PowerSwitch FPower;
    TaskLog FLog;
    TCountdownPrompter FCountdown;
    // The batch's encoders, several at once.
    EncoderRunSet FRuns;
    BatchDriver FDriver;
};
