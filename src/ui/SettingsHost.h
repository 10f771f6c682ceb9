#pragma once
// What the settings dialog needs of the window that owns it: the desktop
// services and program files it shares, the window's profile selector,
// output path and General values, and the disabling of the window while the
// dialog is shown.
#include "config/Preferences.h"
#include "platform/Desktop.h"
#include "profiles/Profile.h"
#include "ui/DialogHost.h"

#include <exception>
#include <string>
#include <vector>

class TFileDialogs;

class SettingsHost : public DialogHost {
public:
    virtual Prompter& prompter() const = 0;
    virtual TFileDialogs& dialogs() const = 0;
    virtual const PreferencesFile& Preferences() const = 0;
    virtual const std::string& ProgramDir() const = 0;
    // The output folder when the user has chosen none.
    virtual const std::string& DefaultOutputDir() const = 0;
    virtual std::string ProfilesDir() const = 0;
    // The profiles listed at start-up, in the selector's order.
    virtual const std::vector<CatalogueEntry>& Catalogue() const = 0;

    // The name the window's profile selector shows ("" when none), and the
    // reload of that profile into the window's sheets.
    virtual std::string SelectedProfileName() const = 0;
    virtual void ReloadSelectedProfile() = 0;
    // The window's output path box.
    virtual std::string OutputDir() const = 0;
    virtual void SetOutputDir(const std::string& dir) = 0;
    // The General values the window holds: the ones in force, which the
    // dialog edits a copy of and hands back as it closes.
    virtual const GeneralPreferences& GeneralSettings() const = 0;
    virtual void SetGeneralSettings(const GeneralPreferences& general) = 0;

    // Shows an error in the application's error box.
    virtual void ShowError(const std::string& text) = 0;
    // Runs a handler: an error it raises ends the action and is shown in the
    // application's error box; the program goes on.
    template <class F> bool Guarded(F&& action) {
        try {
            action();
            return true;
        } catch (const std::exception& e) {
            ShowError(e.what());
            return false;
        }
    }
};
