#pragma once
// Choosing a profile and its rows from the command line: a profile by its
// catalogue name or its file, a sheet row set as picking it in the window
// would, and the profile's rows as text.
#include "profiles/ParamSheet.h"
#include "profiles/Profile.h"

#include <string>
#include <vector>

struct ChosenProfile {
    std::string Name; // the catalogue's name, or the file's name without .apf
    std::string Path; // the file to load
    // Why none was found, naming the catalogue; empty when one was.
    std::string Error;
};

// The profile wanted names: a catalogue name (letter case ignored; an exact
// match first), else an existing file whose name ends in ".apf".
ChosenProfile ChooseProfile(const std::string& wanted, const std::string& profilesDir,
                            const std::vector<CatalogueEntry>& catalogue);

// Sets the row caption (letter case ignored; the Video, Audio and Advanced
// sheets in that order) to value, as the window lets a user: a pick list
// takes one of its captions (letter case ignored; stored as the list writes
// it), and a "Video Size" list that offers "Custom Size" also a size
// "WIDTHxHEIGHT", kept as written, which the window's size dialog gives; a
// text row takes any text; a read-only text row takes nothing. Returns the
// problem in one line, naming the choices where there are some; empty when
// the row was set.
std::string SetSheetRow(const SheetSet& sheets, const std::string& caption,
                        const std::string& value);

// The rows of the three sheets as lines: the sheet's name, then for each row
// "  Caption = value", a pick list's choices after it, "(read-only)" for a
// text row that cannot be changed.
std::string ProfileRowsText(const SheetSet& sheets);
