#pragma once
// Profile files (*.apf in the Profiles folder), the catalogue of their names,
// loading a profile into sheets, saving sheets into it, and the argument text
// the encoder gets from the profile and the sheets.
#include "config/NewInifiles.h"
#include "profiles/ParamSheet.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// "List index out of bounds (%d)".
class EListError : public std::out_of_range {
public:
    explicit EListError(int index);
    int Index() const { return FIndex; }

private:
    int FIndex;
};

// The list syntax of "Caption" and "Value": every item ends with ",", text
// after the last "," is ignored ("a,b,c" gives "a" and "b").
std::vector<std::string> SplitProfileList(std::string_view text);

struct CatalogueEntry {
    std::string Name;     // file name without extension: what the selectors show
    std::string FileName; // the file's real name, such as "a.APF"
};

// The ".apf" files (extension compared after lowering) directly in
// profilesDir, sorted by file name ignoring letter case as the Windows file
// system lists them (letters compared as capitals), so that a position in
// the list means the same profile on every machine; directories skipped; a
// missing folder gives an empty catalogue.
std::vector<CatalogueEntry> ScanProfiles(const std::string& profilesDir);

// The file of a catalogue name: <profilesDir><name>.apf, or the real file
// name the scan found for it when the file system tells case apart.
std::string ProfilePath(const std::string& profilesDir,
                        const std::vector<CatalogueEntry>& catalogue, std::string_view name);

// Fills the sheets from the profile (nothing happens when the file does not
// exist). outputExtension: the main window's, set to "." + Type; nullptr for
// the settings dialog. A parameter whose "Sort" is not 1, 2 or 3 joins the
// sheet of the parameter before it; the first one joins the Video sheet.
// Of the numbers below "Para" without a name only the first is loaded (it
// normally fails as a pick list without items), however large "Para" is.
// Throws EListError for an Index outside its list (the rows before it stay,
// its own row stays empty, heights are kept and the file is not rewritten)
// and EFileError when the file cannot be rewritten (after all rows loaded).
// ReadOnly loads the same and leaves the file as it is.
void LoadProfile(const std::string& path, const SheetSet& sheets, std::string* outputExtension,
                 IniAccess access = IniAccess::ReadWrite);

// Writes the sheets' values into the profile: "Index" for pick lists,
// "Caption" and "Value" for text rows, nothing for read-only ones. A
// parameter that the sheets have no row for keeps what the file says, and
// so does one without a name ("Para" beyond the named parameters).
void SaveProfile(const std::string& path, const SheetSet& sheets);

// The encoder's argument text: " <cmd> <value>" groups in parameter order.
// Empty when the file does not exist. Parameters without a name give
// nothing, and however large "Para" is, only the numbers that can have a
// name are visited. Throws EListError. The file is rewritten, unless ReadOnly.
std::string BuildProfileArguments(const std::string& path, const SheetSet& sheets,
                                  IniAccess access = IniAccess::ReadWrite);
