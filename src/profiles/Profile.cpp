#include "profiles/Profile.h"

#include "base/FileNames.h"
#include "config/NewInifiles.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <set>

namespace {

const char MainSection[] = "Main";

std::string ListErrorText(int index) {
    return "List index out of bounds (" + std::to_string(index) + ")";
}

// Position of the first item equal to text ignoring case, or -1.
int IndexOfText(const std::vector<std::string>& items, std::string_view text) {
    std::string wanted = LowerAscii(text);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].size() == wanted.size() && LowerAscii(items[i]) == wanted)
            return static_cast<int>(i);
    return -1;
}

// The sheet of a parameter: "Sort" 1 Video, 2 Audio, 3 Advanced; any other
// value keeps the sheet of the parameter before it. A first parameter without
// a sheet of its own goes to the Video sheet, so that every parameter has a
// row the user sees and the argument text reads.
ParamSheet* ChooseSheet(const SheetSet& sheets, int sort, ParamSheet* previous) {
    if (ParamSheet* s = sheets.BySort(sort)) return s;
    return previous ? previous : sheets.Video;
}

// The name of parameter i: key i of "Main"; it is also the caption of the
// parameter's row and the name of its own section.
std::string ParameterName(const TNewInifile& ini, int i) {
    return ini.ReadString(MainSection, std::to_string(i), "");
}

// The parameter numbers below count that can have a name, in ascending
// order. Key lookups are substring searches ("1" is served by a line
// "11=x"), so a number can name a parameter only when its decimal text stands
// right before a "=" somewhere in the file; every other number reads an
// empty name. A parameter without a name has no section of its own, gives no
// argument and has nothing to save, so walking these numbers instead of
// 0..count-1 changes no result and keeps a huge "Para" (2147483647) from
// running billions of empty rounds.
std::vector<int> NameableParameters(const TNewInifile& ini, int count) {
    std::set<int> numbers;
    for (const std::string& line : ini.Lines()) {
        for (size_t eq = line.find('='); eq != std::string::npos; eq = line.find('=', eq + 1)) {
            // Every suffix of the digits before the "=" that std::to_string
            // could write: no leading zero, at most the ten digits of an int.
            long long value = 0, scale = 1;
            for (size_t b = eq; b > 0 && eq - b < 10; scale *= 10) {
                const char c = line[--b];
                if (c < '0' || c > '9') break;
                value += (c - '0') * scale;
                if ((c != '0' || b + 1 == eq) && value < count)
                    numbers.insert(static_cast<int>(value));
            }
        }
    }
    return {numbers.begin(), numbers.end()};
}

// One parameter of a profile as the walk below hands it over.
struct Parameter {
    int Number;
    std::string Name;  // key Number of "Main"; empty for a parameter without a name
    ParamSheet* Sheet; // chosen by "Sort"; nullptr when the caller gave no such sheet
};

// What the walk does with the numbers below "Para" that have no name.
enum class Unnamed {
    Skip,  // passed over; only the numbers that can have a name are read
    First, // the lowest one is handed over in its place, the others passed over
};

// Walks the parameters of the profile in ascending order below "Para": reads
// each one's name, chooses its sheet and hands it to visit. Only the numbers
// that can have a name are read, so a huge "Para" costs no more than the
// named parameters. Loading hands over the first unnamed one too: it is a
// pick list without items, where the load fails, unless a section "[]"
// answers for it; either way no further unnamed number becomes a row.
template <typename Visit>
void ForEachParameter(const TNewInifile& ini, const SheetSet& sheets, Unnamed unnamed,
                      Visit&& visit) {
    ParamSheet* sheet = nullptr;
    bool unnamedLeft = unnamed == Unnamed::First;
    auto hand = [&](int number, std::string name) {
        if (name.empty()) {
            if (!unnamedLeft) return;
            unnamedLeft = false;
        }
        sheet = ChooseSheet(sheets, ini.ReadInteger(name, "Sort", -1), sheet);
        visit(Parameter{number, std::move(name), sheet});
    };
    const int count = ini.ReadInteger(MainSection, "Para", 0);
    int next = 0; // the lowest number not walked yet
    for (int i : NameableParameters(ini, count)) {
        if (next < i) hand(next, {}); // next cannot have a name
        next = i + 1;
        hand(i, ParameterName(ini, i));
    }
    if (next < count) hand(next, {});
}

} // namespace

EListError::EListError(int index) : std::out_of_range(ListErrorText(index)), FIndex(index) {}

std::vector<std::string> SplitProfileList(std::string_view text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string_view::npos;
         comma = text.find(',', start)) {
        items.emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

std::vector<CatalogueEntry> ScanProfiles(const std::string& profilesDir) {
    std::vector<CatalogueEntry> catalogue;
    // A missing folder gives an empty catalogue.
    for (const FolderEntry& entry : ListFolder(profilesDir)) {
        if (entry.Folder || LowerAscii(ExtractFileExt(entry.Name)) != ".apf") continue;
        catalogue.push_back(CatalogueEntry{StripFileExt(entry.Name), entry.Name});
    }
    // The preferences keep the selected profile by its position, so every
    // machine must list the same files in the same order: by file name with
    // letters compared as capitals, as the Windows file system lists a
    // folder; names that differ only in case (possible elsewhere) keep one
    // fixed order by their bytes.
    auto key = [](const std::string& name) {
        std::string upper(name);
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return upper;
    };
    std::sort(catalogue.begin(), catalogue.end(),
              [&key](const CatalogueEntry& a, const CatalogueEntry& b) {
                  const std::string ka = key(a.FileName), kb = key(b.FileName);
                  return ka != kb ? ka < kb : a.FileName < b.FileName;
              });
    return catalogue;
}

std::string ProfilePath(const std::string& profilesDir,
                        const std::vector<CatalogueEntry>& catalogue, std::string_view name) {
    std::string dir = profilesDir.empty() ? std::string() : WithTrailingBackslash(profilesDir);
    for (const auto& entry : catalogue)
        if (entry.Name == name) return dir + entry.FileName;
    return dir + std::string(name) + ".apf";
}

void LoadProfile(const std::string& path, const SheetSet& sheets, std::string* outputExtension,
                 IniAccess access) {
    if (!FileExists(path)) return;
    for (ParamSheet* sheet : {sheets.Video, sheets.Audio, sheets.Advanced})
        if (sheet) sheet->Clear();

    TNewInifile ini(path, access);
    if (outputExtension) *outputExtension = "." + ini.ReadString(MainSection, "Type", "mp4");
    // An unnamed parameter is a pick list without items: the load stops at
    // the first one with the list error. Beyond the first, none is loaded.
    ForEachParameter(ini, sheets, Unnamed::First, [&](const Parameter& p) {
        const std::string& name = p.Name;
        const bool readOnly = ini.ReadBool(name, "ReadOnly", false);
        const bool isList = ini.ReadBool(name, "List", true);
        std::string caption = ini.ReadString(name, "Caption", "");
        if (!p.Sheet) return; // a caller that gave no sheet of this kind

        int row = p.Sheet->AppendRow(SheetRow{name, {}, false, {}, readOnly});
        // The row is addressed by position: parameter names are expected to
        // differ within a sheet, but a repeated one must not overwrite the
        // row of its namesake.
        if (isList) {
            std::vector<std::string> items = SplitProfileList(caption);
            const int k = ini.ReadInteger(name, "Index", 0);
            p.Sheet->SetRowPickList(row, items);
            if (k < 0 || k >= static_cast<int>(items.size()))
                throw EListError(k); // the store is not closed: the file stays as it was
            p.Sheet->SetRowValue(row, items[static_cast<size_t>(k)]);
        } else {
            p.Sheet->SetRowValue(row, caption);
        }
    });
    ini.Close();
    for (ParamSheet* s : {sheets.Video, sheets.Audio, sheets.Advanced})
        if (s) s->FitToRows();
}

void SaveProfile(const std::string& path, const SheetSet& sheets) {
    TNewInifile ini(path);
    // An unnamed parameter has no section: nothing of it is stored.
    ForEachParameter(ini, sheets, Unnamed::Skip, [&](const Parameter& p) {
        const std::string& name = p.Name;
        if (ini.ReadBool(name, "ReadOnly", false)) return;
        // A parameter that the sheets do not show (a profile saved over
        // another one with other parameters) keeps what its file says.
        const int row = p.Sheet ? p.Sheet->Find(name) : -1;
        if (row < 0) return;
        const SheetRow& r = p.Sheet->Row(row);
        if (ini.ReadBool(name, "List", true)) {
            ini.WriteInteger(name, "Index", IndexOfText(r.PickList, r.Value));
        } else {
            ini.WriteString(name, "Caption", r.Value);
            ini.WriteString(name, "Value", r.Value);
        }
    });
    ini.Close();
}

std::string BuildProfileArguments(const std::string& path, const SheetSet& sheets,
                                  IniAccess access) {
    if (!FileExists(path)) return {};
    std::string result;
    TNewInifile ini(path, access);
    // An unnamed parameter has no section, so no switch: no argument.
    ForEachParameter(ini, sheets, Unnamed::Skip, [&](const Parameter& p) {
        const std::string& name = p.Name;
        const bool readOnly = ini.ReadBool(name, "ReadOnly", false);
        const std::string cmd = ini.ReadString(name, "cmd", "");
        const bool isList = ini.ReadBool(name, "List", true);
        const std::string shown = p.Sheet ? p.Sheet->Value(name) : std::string();

        std::string value;
        if (isList) {
            std::vector<std::string> captions =
                SplitProfileList(ini.ReadString(name, "Caption", ""));
            const int i = IndexOfText(captions, shown);
            if (i < 0) {
                value = shown; // a text the list does not offer, such as a custom size
            } else {
                std::vector<std::string> values =
                    SplitProfileList(ini.ReadString(name, "Value", ""));
                if (i >= static_cast<int>(values.size())) throw EListError(i);
                value = values[static_cast<size_t>(i)];
            }
        } else if (readOnly) {
            value = ini.ReadString(name, "Value", "");
        } else {
            value = shown;
        }

        if (!cmd.empty() && !value.empty()) {
            if (value == "\\") value.clear(); // a bare switch
            result += " " + cmd + " " + value;
        }
    });
    ini.Close();
    return result;
}
