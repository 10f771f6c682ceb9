#pragma once
// What a dialog of the main window needs of it: to open centred on it and
// above it, the window taking no input until the dialog lets it go.
class QWidget;

class DialogHost {
public:
    virtual ~DialogHost() = default;
    virtual void OwnDialog(QWidget& dialog) = 0;
    virtual void ReleaseDialog() = 0;
};
