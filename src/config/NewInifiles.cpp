#include "config/NewInifiles.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>

TNewInifile::TNewInifile(std::string fileName, IniAccess access)
    : FFileName(std::move(fileName)), FAccess(access) {
    FILE* f = std::fopen(FFileName.c_str(), "rb");
    if (!f) {
        int err = errno;
        if (err == ENOENT) return; // a missing file is an empty store
        throw EFileError("Cannot open file \"" + FullPathName(FFileName) + "\". " +
                         SystemErrorText(err));
    }
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    int err = std::ferror(f) ? errno : 0;
    std::fclose(f);
    if (err != 0)
        throw EFileError("Cannot open file \"" + FullPathName(FFileName) + "\". " +
                         SystemErrorText(err));
    FLines = SplitLines(text);
}

std::string TNewInifile::JoinedText() const {
    size_t size = 0;
    for (const auto& l : FLines)
        size += l.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& l : FLines) {
        text += l;
        text += "\r\n";
    }
    return text;
}

std::string TNewInifile::SectionText(std::string_view section) const {
    // The joined text and its lowercased copy are kept until the next write,
    // so a run of reads (a profile of thousands of parameters) does not join
    // and lowercase the whole file for each one. Results are the same.
    if (!FTextValid) {
        FJoined = JoinedText();
        FLowered = LowerAscii(FJoined);
        FTextValid = true;
    }
    std::string header = LowerAscii("[" + std::string(section) + "]");
    size_t p = FLowered.find(header);
    if (p == std::string::npos) return {};
    size_t start = p + header.size();
    // The section runs up to the next line that begins with "[", so a "["
    // inside a value (a folder such as "Videos [2024]") belongs to the value.
    // Lines never hold a line break, so in the joined text a line begins
    // right after an LF.
    size_t cut = FJoined.find("\n[", start);
    if (cut != std::string::npos) ++cut;
    return FJoined.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
}

namespace {
// The text after the first line that holds key + "=", ignoring case.
bool FindValue(std::string_view key, const std::vector<std::string>& lines, std::string& value) {
    std::string wanted = LowerAscii(std::string(key) + "=");
    for (const auto& line : lines) {
        size_t p = LowerAscii(line).find(wanted);
        if (p != std::string::npos) {
            value = line.substr(p + wanted.size());
            return true;
        }
    }
    return false;
}
} // namespace

int TNewInifile::FindSectionLine(std::string_view section) const {
    std::string header = LowerAscii("[" + std::string(section) + "]");
    for (size_t i = 0; i < FLines.size(); ++i)
        if (LowerAscii(FLines[i]).find(header) != std::string::npos) return static_cast<int>(i);
    return -1;
}

int TNewInifile::FindKeyLine(std::string_view section, std::string_view key) const {
    std::vector<std::string> lines = SplitLines(SectionText(section));
    std::string wanted = LowerAscii(std::string(key) + "=");
    for (size_t i = 0; i < lines.size(); ++i)
        if (LowerAscii(lines[i]).find(wanted) != std::string::npos) return static_cast<int>(i);
    return -1;
}

std::string TNewInifile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
    std::string value;
    if (FindValue(key, SplitLines(SectionText(section)), value)) return value;
    return std::string(def);
}

bool TNewInifile::ValueExists(std::string_view section, std::string_view key) const {
    std::string value;
    return FindValue(key, SplitLines(SectionText(section)), value);
}

int32_t TNewInifile::ReadInteger(std::string_view section, std::string_view key,
                                 int32_t def) const {
    int32_t v;
    if (TryParseInteger(ReadString(section, key, std::to_string(def)), v)) return v;
    return def;
}

bool TNewInifile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    std::string text = ReadString(section, key, def ? "-1" : "0");
    double d;
    if (TryParseDecimal(text, d)) return d != 0;
    std::string lower = LowerAscii(text);
    if (lower == "true") return true;
    if (lower == "false") return false;
    return def;
}

double TNewInifile::ReadFloat(std::string_view section, std::string_view key, double def) const {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, def);
    std::string text = ReadString(section, key, std::string(buf, ec == std::errc() ? end : buf));
    double v;
    if (TryParseDecimal(text, v)) return v;
    return def;
}

namespace {
// The text without CR, LF and NUL. A line of the file cannot hold them: a
// break would split the line when the file is read back (and shift every
// line index the store computes from the text), and a NUL would end the
// whole file there. A folder name with a line break is legal on Linux; it
// is stored without the break rather than refused, so that the save of the
// other values goes on.
std::string OneLine(std::string_view text) {
    std::string r;
    r.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n' && c != '\0') r += c;
    return r;
}
} // namespace

void TNewInifile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    const std::string sec = OneLine(section);
    const std::string name = OneLine(key);
    std::string line = name + "=" + OneLine(value);
    int h = FindSectionLine(sec);
    int k = h < 0 ? -1 : FindKeyLine(sec, name);
    FTextValid = false; // the lines change below
    if (h < 0) {
        FLines.push_back("[" + sec + "]");
        FLines.push_back(std::move(line));
    } else if (k < 0 || static_cast<size_t>(h) + static_cast<size_t>(k) >= FLines.size()) {
        FLines.insert(FLines.begin() + h + 1, std::move(line));
    } else if (k == 0) {
        // The key stands on its header's line ("[S]k=1", written by hand):
        // the header is kept, up to its "]", and the key gets a line of its
        // own under it. Replacing the whole line would lose the section.
        std::string& header = FLines[static_cast<size_t>(h)];
        const std::string wanted = LowerAscii("[" + sec + "]");
        header.resize(LowerAscii(header).find(wanted) + wanted.size());
        FLines.insert(FLines.begin() + h + 1, std::move(line));
    } else {
        FLines[static_cast<size_t>(h) + static_cast<size_t>(k)] = std::move(line);
    }
}

void TNewInifile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TNewInifile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TNewInifile::Close() {
    if (FAccess == IniAccess::ReadOnly) return;
    std::string reason;
    if (!ReplaceFileContents(FFileName, JoinedText(), reason))
        throw EFileError("Cannot create file \"" + FullPathName(FFileName) + "\". " + reason);
}
