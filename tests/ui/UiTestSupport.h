#pragma once
// What the window tests share: fakes that answer the desktop (message boxes,
// "open", file dialogs), a private program folder per test (the real
// encoder stand-in and profiles, its own Preferences.ini), small clips made
// by ffmpeg, and a main window built on all of these.
#include "TestSupport.h"
#include "platform/Desktop.h"
#include "tasks/TaskRecord.h"
#include "ui/FileDialogs.h"
#include "ui/MainForm.h"

#include <QString>
#include <gtest/gtest.h>

#include <QProcess>

#include <deque>
#include <memory>
#include <string>
#include <vector>

struct PromptRecord {
    std::string Text;
    std::string Caption;
    MsgIcon Icon;
    MsgButtons Buttons;
};

class FakePrompter : public Prompter {
public:
    std::vector<PromptRecord> Shown;
    std::deque<MsgResult> Answers; // Ok (or Yes) when empty
    MsgResult Message(const std::string& text, const std::string& caption, MsgIcon icon,
                      MsgButtons buttons) override;
};

class FakeShell : public ShellActions {
public:
    std::vector<std::string> Opened;
    void Open(const std::string& path) override { Opened.push_back(path); }
};

class FakeDialogs : public TFileDialogs {
public:
    // What the next dialogs answer: nullopt-like "cancel" when Confirm is false.
    bool ConfirmFiles = false;
    std::vector<std::string> Files;
    bool ConfirmFolder = false;
    std::string Folder;
    // What they were asked.
    std::string LastFilter;
    std::string LastTitle;
    int FileDialogs = 0;
    int FolderDialogs = 0;

    bool OpenFiles(QWidget* owner, const std::string& filter,
                   std::vector<std::string>& names) override;
    bool BrowseForFolder(QWidget* owner, const std::string& title, const std::string& root,
                         std::string& folder) override;
};

// Short clips made once per test run with ffmpeg's test sources.
class Clips {
public:
    // A clip of the given length in seconds (at 160 x 120) under name in
    // folder; the folder is created.
    static void Make(const std::string& path, int seconds = 2, const char* size = "160x120");
    // A ready-made 2-second clip to copy from.
    static const std::string& Sample();
    // A copy of the sample at path (folders created); returns path.
    static std::string CopyTo(const std::string& path);
};

// A copy of the program folder: the encoder (a link to the built stand-in),
// a Profiles folder (empty, the shipped profiles, or test profiles) and no
// Preferences.ini until the program writes one.
class ProgramFolder {
public:
    enum class Profiles { None, Shipped };
    explicit ProgramFolder(Profiles profiles = Profiles::None);

    std::string Dir() const; // with a trailing separator
    std::string File(const std::string& name) const;
    std::string ProfilesDir() const;
    // Writes a profile file into Profiles.
    void AddProfile(const std::string& name, const std::string& text);
    TempDir& Temp() { return FTemp; }

private:
    TempDir FTemp;
};

// A main window over a program folder, with fakes for the desktop.
struct Window {
    FakePrompter prompter;
    // Message boxes used instead of the fake when set before Create.
    Prompter* boxes = nullptr;
    FakeShell shell;
    FakeDialogs dialogs;
    // The desktop's services, when set before Create (a private bus's).
    SleepInhibitor* awake = nullptr;
    TDesktopNotices* notices = nullptr;
    std::unique_ptr<TMainForm> form;

    // Runs the start-up with args, then creates the other windows; unless
    // told not to, waits until the files named are probed.
    void Create(const ProgramFolder& folder, const std::vector<std::string>& args = {},
                bool waitForProbes = true);
    // Lets events run until no added file waits for its probe.
    void WaitForProbes();
    // Shows the window (which restores the preferences) and lets it settle.
    void Show();
    // Closes the window (which saves the preferences).
    void Close();
    ~Window();

    // A control of the main window by its objectName.
    template <class T = QWidget> T* Find(const char* name) const {
        T* found = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    TMainForm& operator*() { return *form; }
    TMainForm* operator->() { return form.get(); }
    std::vector<std::string> Captions() const;
};

// Starts the built program from a link (or copy) in a program folder, so
// that it takes that folder for its own, headless and with the default
// dispositions of SIGTERM, SIGINT and SIGHUP whatever the test run has.
std::unique_ptr<QProcess> StartProgram(const ProgramFolder& folder,
                                       const std::vector<std::string>& args);
// Whether a running process has a handler of its own for sig.
bool CatchesSignal(qint64 pid, int sig);

// A profile with the given Video Size captions and a few rows per sheet.
std::string TestProfileText(const std::string& type, int videoSizeIndex = 0);
// Lets pending events run.
void Settle();
