#pragma once
// TNewInifile: the only reader and writer of the program's INI-style files
// (Preferences.ini and the profiles). It deliberately differs from a usual
// INI reader, and stored files rely on these rules:
//  - the whole file is held as lines and every read scans the text afresh;
//  - sections and keys are found by substring search ignoring ASCII case
//    (key "x" is served by the line "max=5");
//  - a section ends at the next line that begins with "[" (a "[" inside a
//    value does not end it);
//  - nothing is trimmed, unquoted or taken as a comment;
//  - a key new to a section is inserted right below its header, so keys
//    written one after another end up in reverse order; a write replaces
//    the key's whole line, except that a key on its header's line ("[S]k=1")
//    is written on a line of its own under the header, which stays;
//  - Close always writes the whole file back with CR LF line ends.
// Text is 8-bit bytes as stored; a NUL byte ends the text.
#include "base/Text.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A configuration file that cannot be read or written. The message is what
// the user sees: "Cannot open file "<full path>". <reason>" or
// "Cannot create file "<full path>". <reason>".
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How a store is opened. The program's own stores are ReadWrite: Close
// writes the file back. A ReadOnly store reads the same and takes writes in
// memory, but its Close writes nothing: a front end that must leave the
// user's files as they are (the command line) opens them so.
enum class IniAccess { ReadWrite, ReadOnly };

class TNewInifile {
public:
    // Reads the file when it exists; a missing file gives an empty store.
    // Throws EFileError when the file exists but cannot be read.
    explicit TNewInifile(std::string fileName, IniAccess access = IniAccess::ReadWrite);

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    // Always "." as the decimal separator, whatever the user's locale: the
    // files are shared between machines and must read the same everywhere.
    double ReadFloat(std::string_view section, std::string_view key, double def) const;
    // Whether a read of key in section finds a value (of any text).
    bool ValueExists(std::string_view section, std::string_view key) const;

    // A line of the file never holds a line break: CR, LF and NUL are left
    // out of the section, key and value written.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // Writes the joined text (every line followed by CR LF) to the file,
    // whether or not anything was written. The text goes to a temporary file
    // beside the target first and is then renamed over it, so a failed write
    // leaves the old file intact. Throws EFileError ("Cannot create file").
    // A ReadOnly store writes nothing.
    void Close();

    const std::string& FileName() const { return FFileName; }
    const std::vector<std::string>& Lines() const { return FLines; }

private:
    std::string JoinedText() const;
    std::string SectionText(std::string_view section) const;
    int FindSectionLine(std::string_view section) const;
    int FindKeyLine(std::string_view section, std::string_view key) const;

    std::string FFileName;
    IniAccess FAccess;
    std::vector<std::string> FLines;
    // Derived from FLines, rebuilt on the first read after a write.
    mutable std::string FJoined;
    mutable std::string FLowered;
    mutable bool FTextValid = false;
};
