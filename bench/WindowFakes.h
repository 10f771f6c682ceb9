#pragma once
// The desktop answers a benchmark's main window gets: message boxes that are
// noted and answered OK, no "open", file dialogs that are cancelled.
#include "platform/Desktop.h"
#include "ui/FileDialogs.h"

#include <string>
#include <vector>

class QuietPrompter : public Prompter {
public:
    std::vector<std::string> Shown;
    MsgResult Message(const std::string& text, const std::string&, MsgIcon, MsgButtons) override {
        Shown.push_back(text);
        return MsgResult::Ok;
    }
};

class NoShell : public ShellActions {
public:
    void Open(const std::string&) override {}
};

class NoDialogs : public TFileDialogs {
public:
    bool OpenFiles(QWidget*, const std::string&, std::vector<std::string>&) override {
        return false;
    }
    bool BrowseForFolder(QWidget*, const std::string&, const std::string&, std::string&) override {
        return false;
    }
};
