#pragma once
// The settings dialog. Created once at start-up; its General values are the
// live preferences for the whole run (the batch and the output naming read
// them, the main window saves them at exit).
#include "config/Preferences.h"

#include <QDialog>

class TMainForm;

class TSettingForm : public QDialog {
    Q_OBJECT
public:
    explicit TSettingForm(TMainForm& main);

    // The values of the General page as they stand.
    GeneralPreferences General() const { return FGeneral; }

    // Opened by the settings command: the General page.
    void ShowGeneralPage();
    // Opened by the profile-details command with the main window's profile.
    void ShowProfilesPage(int profileIndex);

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    TMainForm& FMain;
    GeneralPreferences FGeneral;
};
