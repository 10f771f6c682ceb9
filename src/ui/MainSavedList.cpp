// What the main window keeps of a batch it may be left alone with: the task
// list between runs (brought back at start-up, written as it changes and at
// exit), and word from the desktop when a batch has ended while the user
// looked elsewhere.
#include "engine/ProbePool.h"
#include "platform/FileSystem.h"
#include "ui/DesktopBus.h"
#include "ui/MainForm.h"

#include <QTimer>
#include <cstdio>

void TMainForm::RestoreTaskList() {
    auto store = std::make_unique<TaskListStore>(FWhere.StateDir);
    std::string reason;
    // Another copy of the program keeps the list (or the folder cannot be
    // made): this one works without keeping it.
    if (!store->Claim(reason)) {
        std::fprintf(stderr, "tarvolin: the task list is not kept in this run: %s\n",
                     reason.c_str());
        return;
    }
    FTaskStore = std::move(store);
    std::string problem;
    SavedTaskList saved = FTaskStore->Read(problem);
    bool keep = true;
    // An unreadable preferences file is reported when the settings are read.
    try {
        keep = FPrefs.ReadGeneral().KeepTaskList;
    } catch (const std::exception&) {
    }
    RestoredTasks restored = RestoreTasks(std::move(saved), keep);
    // Only the temporary outputs of the tasks that come back Interrupted.
    for (const std::string& part : restored.PartFiles)
        if (FileStateOf(part).Regular) RemoveFile(part);
    FTasks.SetNextId(restored.NextId);
    if (!restored.Tasks.empty()) {
        panbg->hide();
        for (TaskId id : FTasks.AddTasks(std::move(restored.Tasks)))
            FProbes->Submit(id, FTasks.Find(id)->InputFile);
    }
    if (!problem.empty())
        QTimer::singleShot(0, this, [this, problem] {
            FPrompter->Message(problem, ProductName, MsgIcon::Warning);
        });
}

void TMainForm::ScheduleTaskListSave() {
    if (!FTaskStore || FClosing || FSaveTimer->isActive()) return;
    const auto due = FSaveRule.Due(FTasks.Revision(), TaskListSaveRule::Clock::now());
    if (!due) return;
    FSaveTimer->start(
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(*due).count()));
}

void TMainForm::SaveTaskList() {
    if (!FTaskStore || FClosing) return;
    FSaveTimer->stop();
    std::string reason;
    // Until the program ends normally the file says it is open: a start
    // after a crash finds it so.
    if (FTaskStore->Write(FTasks, false, true, reason)) {
        FSaveRule.Written(FTasks.Revision(), TaskListSaveRule::Clock::now());
        return;
    }
    // Said once: the next change tries again.
    FSaveRule.Written(FTasks.Revision(), TaskListSaveRule::Clock::now());
    if (FSaveProblemShown) return;
    FSaveProblemShown = true;
    FPrompter->Message("The task list could not be saved to \"" + FTaskStore->Path() +
                           "\": " + reason,
                       ProductName, MsgIcon::Warning);
}

void TMainForm::SaveTaskListAtExit() {
    if (!FTaskStore) return;
    FSaveTimer->stop();
    // Interrupted tasks bring the list back whatever the user keeps.
    bool interrupted = false;
    for (int row = 0; row < FTasks.Count() && !interrupted; ++row)
        interrupted = FTasks.At(row).State == TaskState::Interrupted;
    std::string reason;
    if (!FTaskStore->Write(FTasks, !interrupted, interrupted || General().KeepTaskList, reason))
        std::fprintf(stderr, "tarvolin: the task list was not saved to %s: %s\n",
                     FTaskStore->Path().c_str(), reason.c_str());
}

void TMainForm::BatchFinished(const std::string& text) {
    if (FNotices && !isActiveWindow()) FNotices->Notify(text);
}

void TMainForm::ShowFromNotification() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}
