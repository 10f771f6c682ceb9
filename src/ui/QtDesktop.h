#pragma once
// The desktop services of the program as the real windows use them: message
// boxes and opening folders and files with the desktop's default handler.
#include "platform/Desktop.h"

class TMessageBoxPrompter : public Prompter {
public:
    // Shown over the active window of the program, waiting for the answer.
    MsgResult Message(const std::string& text, const std::string& caption, MsgIcon icon,
                      MsgButtons buttons = MsgButtons::Ok) override;
};

class TDesktopShell : public ShellActions {
public:
    void Open(const std::string& path) override;
};
