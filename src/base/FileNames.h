#pragma once
// File-name texts shared by the task list, the profiles and the output
// naming. "Directory separator" means the platform's (PathDelim).
#include <string>
#include <string_view>

// name up to, not including, its last "."; the whole name when it has none.
std::string StripFileExt(std::string_view name);
// The file-name part of a path: the text after the last separator (or ":" on
// Windows).
std::string ExtractFileName(std::string_view path);
// The extension of the file-name part of path, from its last "." on (dot
// included); empty when the name has no ".".
std::string ExtractFileExt(std::string_view path);
// path with a directory separator appended unless it already ends with one.
std::string WithTrailingBackslash(std::string_view path);
