// The main window's start-up and its preferences: the program's paths,
// version and caption, the profile list, the command line, the other
// windows; the place, output path and profile restored when the window is
// first shown, and everything saved when it closes.
#include "engine/ProbePool.h"
#include "ui/AboutForm.h"
#include "ui/MainForm.h"
#include "ui/ProgressPanel.h"
#include "ui/QtText.h"
#include "ui/SettingForm.h"
#include "ui/SizeForm.h"
#include "ui/TaskListModel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <stdexcept>

void TMainForm::CreateForms() {
    // The General preferences, in force from now on. Should the file fail,
    // the values a missing file would give.
    FSettings.General = GeneralPreferences{};
    FSettings.General.OutputPath = FWhere.DefaultOutputDir;
    Guarded([&] { FSettings.General = FPrefs.ReadGeneral(); });
    FAboutForm = std::make_unique<TAboutForm>(*this, ProductName, FVersionText);
    FSettingForm = std::make_unique<TSettingForm>(*this);
    FSizeForm = std::make_unique<TSizeForm>(*this, *FPrompter, FVideo);
}

void TMainForm::RunStartup(const std::vector<std::string>& arguments) {
    // Each step stands alone: a step that fails shows its error and the
    // start-up goes on, so the window is always ready for use.
    // First of all, since the version is read from (and written to) the
    // preferences: an installed program keeps the user's settings and profiles in the
    // user's folders; the shipped profiles are copied there once.
    Guarded([&] {
        std::string reason;
        if (!PrepareUserFolders(FWhere, reason)) throw std::runtime_error(reason);
    });
    SetOutputDir(FWhere.DefaultOutputDir);
    FEncoderPath = FWhere.EncoderPath;
    // Results come back on a worker's thread and are handed to the window's.
    FProbes = std::make_unique<ProbePool>(
        ProbePool::EncoderProbers(FEncoderPath),
        [this](std::uint64_t id, const std::string&, const ProbeResult& result) {
            QMetaObject::invokeMethod(
                this, [this, id, result] { ProbeFinished(id, result); }, Qt::QueuedConnection);
        });

    Guarded([&] { FVersionText = FPrefs.ReadVersion(); });
    QCoreApplication::setApplicationName(ToQ(ProductName));
    setWindowTitle(ToQ(std::string(ProductName) + " V" + FVersionText));
    std::string name = ProductName;
    labProgramName->setText(ToQ(name.substr(name.find(' ') + 1)));

    FOpenDialogFilter = BuildOpenDialogFilter(SupportedExts());

    Guarded([&] {
        FCatalogue = ScanProfiles(ProfilesDir());
        for (const auto& entry : FCatalogue)
            cmbProfile->addItem(ToQ(entry.Name));
        cmbProfile->setCurrentIndex(-1);
    });

    // The list left by the last run first; the command line's files after it.
    RestoreTaskList();
    CommandLineIntake(arguments);
    if (FTasks.Count() > 0) EnableTaskCommands(true);

    setAcceptDrops(true);

    // Fixed layout values: the profile panel in front, the progress panel in
    // its place but hidden, the list's columns.
    panBottomCenter->setGeometry(0, 0, 637, 90);
    panBottomLeft->setGeometry(0, 0, 637, 90);
    panBottomLeft->hide();
    for (int i = 0; i < 4; ++i)
        ltvTask->header()->resizeSection(i,
                                         ColumnWidthSharing::DefaultWidths[static_cast<size_t>(i)]);
    // A later change of the list's width (the window grows) is shared
    // among the columns.
    FColumnSharing = ColumnWidthSharing(ltvTask->width());
    NoteGrowth();
}

void TMainForm::CommandLineIntake(const std::vector<std::string>& arguments) {
    CommandLineEntries intake = ReadCommandLineEntries(arguments);
    if (!intake.Error.empty()) {
        ShowError(intake.Error);
        return;
    }
    std::vector<std::string> notTaken;
    Guarded([&] {
        IntakeFiles taken = TakeFiles(intake.Entries, CommandLineAction);
        notTaken = std::move(taken.NotTaken);
        AddFiles(taken.Files);
    });
    // Said once the window is on screen: a message box now would keep the
    // window from showing until it is answered.
    if (!notTaken.empty())
        QTimer::singleShot(0, this, [this, notTaken] { ReportNotTaken(notTaken); });
}

void TMainForm::setVisible(bool visible) {
    if (visible && !FRestoreRead) {
        FRestoreRead = true;
        std::vector<std::string> names;
        for (const CatalogueEntry& entry : FCatalogue)
            names.push_back(entry.Name);
        Guarded([&] { FRestored = FPrefs.ReadMainWindow(names); });
        // Placed now, while the window system has not made the window: the
        // place is then taken as the frame's, as it was saved. A window made
        // already has no frame yet, and the place would be taken as its
        // inside's, one title bar lower than it was.
        if (FRestored) RestorePosition(*FRestored);
    }
    QWidget::setVisible(visible);
}

void TMainForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (FShownOnce) return;
    FShownOnce = true;
    RestorePreferences();
}

void TMainForm::RestorePreferences() {
    if (!FRestored) return;
    const MainWindowPreferences& saved = *FRestored;
    SetOutputDir(saved.OutputPath);
    if (!saved.ProfileRead) return;
    int index = saved.ProfileIndex;
    cmbProfile->setCurrentIndex(index >= 0 && index < cmbProfile->count() ? index : -1);
    cmbProfileChange();
}

void TMainForm::SavePreferences() {
    Guarded([&] {
        // Only a window that was shown has a place of its own.
        std::optional<WindowPosition> place;
        if (FShownOnce) place = WindowPosition{pos().x(), pos().y(), width(), height()};
        FPrefs.SaveAll(cmbProfile->currentIndex(), SelectedProfileName(), OutputDir(), General(),
                       place);
    });
}
