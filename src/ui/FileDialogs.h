#pragma once
// The file and folder dialogs behind one small interface, so that the
// windows' tests answer them instead of a user.
#include <QStringList>
#include <string>
#include <vector>

class QWidget;

class TFileDialogs {
public:
    virtual ~TFileDialogs() = default;
    // The open dialog of Add Files: several existing files may be chosen;
    // filter is the "|"-separated pairs of the task list. Returns true and the
    // names in the dialog's order when the user confirms.
    virtual bool OpenFiles(QWidget* owner, const std::string& filter,
                           std::vector<std::string>& names) = 0;
    // The folder dialog: see BrowseForFolder.
    virtual bool BrowseForFolder(QWidget* owner, const std::string& title, const std::string& root,
                                 std::string& folder) = 0;
};

// Shows the desktop's folder dialog with owner, title and, when root names a
// folder, that folder as the place to start; a folder that does not exist is
// emptied first and otherwise preselected. Only file-system folders can be
// chosen. Returns true with the chosen path in folder, false when cancelled.
bool BrowseForFolder(QWidget* owner, const std::string& title, const std::string& root,
                     std::string& folder);

// "Description|patterns|..." pairs as Qt's name filters ("Description
// (*.a *.b)"); "*.*" matches every file, also names without a dot.
QStringList QtNameFilters(const std::string& filter);

class TQtFileDialogs : public TFileDialogs {
public:
    bool OpenFiles(QWidget* owner, const std::string& filter,
                   std::vector<std::string>& names) override;
    bool BrowseForFolder(QWidget* owner, const std::string& title, const std::string& root,
                         std::string& folder) override;
};
