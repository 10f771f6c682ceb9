#include "cli/ProfileChoice.h"

#include "base/FileNames.h"
#include "base/Text.h"
#include "platform/FileSystem.h"

#include <cstdint>

namespace {

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

// "a", "b", "c" joined for a message.
std::string Listed(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "\"" : ", \"") + item + "\"";
    return text.empty() ? "none" : text;
}

// A size as the window's size dialog takes it: a width and a height that
// each read as an integer, joined by an "x".
bool IsCustomSize(const std::string& value) {
    for (size_t x = value.find('x'); x != std::string::npos; x = value.find('x', x + 1)) {
        int32_t number;
        if (TryParseInteger(value.substr(0, x), number) &&
            TryParseInteger(value.substr(x + 1), number))
            return true;
    }
    return false;
}

bool Offers(const SheetRow& row, std::string_view caption) {
    for (const std::string& item : row.PickList)
        if (SameText(item, caption)) return true;
    return false;
}

} // namespace

ChosenProfile ChooseProfile(const std::string& wanted, const std::string& profilesDir,
                            const std::vector<CatalogueEntry>& catalogue) {
    ChosenProfile chosen;
    const CatalogueEntry* match = nullptr;
    for (const CatalogueEntry& entry : catalogue) {
        if (entry.Name == wanted) {
            match = &entry;
            break;
        }
        if (!match && SameText(entry.Name, wanted)) match = &entry;
    }
    if (match) {
        chosen.Name = match->Name;
        chosen.Path = ProfilePath(profilesDir, catalogue, match->Name);
        return chosen;
    }
    if (LowerAscii(ExtractFileExt(wanted)) == ".apf" && RegularFileExists(wanted)) {
        chosen.Name = StripFileExt(ExtractFileName(wanted));
        chosen.Path = AbsolutePath(wanted);
        return chosen;
    }
    std::vector<std::string> names;
    for (const CatalogueEntry& entry : catalogue)
        names.push_back(entry.Name);
    chosen.Error = "unknown profile \"" + wanted + "\"; the profiles are: " + Listed(names);
    return chosen;
}

std::string SetSheetRow(const SheetSet& sheets, const std::string& caption,
                        const std::string& value) {
    ParamSheet* sheet = nullptr;
    int index = -1;
    std::vector<std::string> captions;
    for (ParamSheet* s : {sheets.Video, sheets.Audio, sheets.Advanced}) {
        if (!s) continue;
        if (index < 0 && (index = s->Find(caption)) >= 0) sheet = s;
        for (const SheetRow& row : s->Rows())
            captions.push_back(row.Caption);
    }
    const std::string quoted = "--set \"" + caption + "=" + value + "\": ";
    if (!sheet)
        return quoted + "the profile has no row \"" + caption +
               "\"; its rows are: " + Listed(captions);
    const SheetRow& row = sheet->Row(index);
    if (!row.HasPickList) {
        if (row.ReadOnly) return quoted + "the row \"" + row.Caption + "\" cannot be changed";
        sheet->SetRowValue(index, value);
        return {};
    }
    const bool sizeRow = SameText(row.Caption, VideoSizeCaption) && Offers(row, CustomSizeValue);
    if (!(sizeRow && SameText(value, CustomSizeValue))) {
        for (const std::string& item : row.PickList)
            if (SameText(item, value)) {
                sheet->SetRowValue(index, item);
                return {};
            }
        if (sizeRow && IsCustomSize(value)) {
            sheet->SetRowValue(index, value);
            return {};
        }
    }
    std::vector<std::string> choices;
    for (const std::string& item : row.PickList)
        if (!(sizeRow && SameText(item, CustomSizeValue))) choices.push_back(item);
    std::string problem = quoted + "\"" + row.Caption + "\" offers " + Listed(choices);
    if (sizeRow) problem += ", or a custom size written WIDTHxHEIGHT (such as 640x360)";
    return problem;
}

std::string ProfileRowsText(const SheetSet& sheets) {
    std::string text;
    const std::pair<const char*, ParamSheet*> named[] = {
        {"Video", sheets.Video}, {"Audio", sheets.Audio}, {"Advanced", sheets.Advanced}};
    for (const auto& [name, sheet] : named) {
        if (!sheet || sheet->RowCount() == 0) continue;
        text += std::string(name) + "\n";
        for (const SheetRow& row : sheet->Rows()) {
            text += "  " + row.Caption + " = " + row.Value;
            if (row.HasPickList) {
                text += "    choices: ";
                for (size_t i = 0; i < row.PickList.size(); ++i)
                    text += (i ? " | " : "") + row.PickList[i];
                if (SameText(row.Caption, VideoSizeCaption) && Offers(row, CustomSizeValue))
                    text += " (as WIDTHxHEIGHT)";
            } else if (row.ReadOnly) {
                text += "    (read-only)";
            }
            text += "\n";
        }
    }
    return text;
}
