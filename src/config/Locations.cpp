#include "config/Locations.h"

#include "base/FileNames.h"
#include "base/Text.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <vector>

namespace {

constexpr const char* EncoderName = "wmaspi.dll";
constexpr const char* ShippedListName = ".shipped-profiles";

std::string Join(std::string dir, std::string_view name) {
    return WithTrailingBackslash(dir) + std::string(name);
}

// path without the separators at its end ("/" stays "/").
std::string_view WithoutTrailingSeparators(std::string_view path) {
    while (path.size() > 1 && path.back() == PathDelim)
        path.remove_suffix(1);
    return path;
}

// The folder above dir ("/usr/bin/" gives "/usr/").
std::string Parent(const std::string& dir) {
    const std::string_view folder = WithoutTrailingSeparators(dir);
    const size_t separator = folder.rfind(PathDelim);
    return WithTrailingBackslash(separator == std::string_view::npos ? std::string_view()
                                                                     : folder.substr(0, separator));
}

// The value of a line KEY="value" of user-dirs.dirs, "$HOME" expanded.
std::string XdgUserDir(const std::string& file, std::string_view key, const std::string& home) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(key, 0) != 0 || line.size() <= key.size() || line[key.size()] != '=')
            continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) {
            if (home.empty()) return {};
            value = home + value.substr(5);
        }
        // Only an absolute folder; "$HOME/" alone means no such folder.
        if (value.empty() || value[0] != '/' ||
            WithoutTrailingSeparators(value) == WithoutTrailingSeparators(home))
            return {};
        return value;
    }
    return {};
}

std::string ConfigHome(const EnvLookup& env) {
    std::string config = env("XDG_CONFIG_HOME");
    if (!config.empty() && config[0] == '/') return config;
    std::string home = env("HOME");
    return home.empty() ? std::string() : Join(home, ".config");
}

std::string StateHome(const EnvLookup& env) {
    std::string state = env("XDG_STATE_HOME");
    if (!state.empty() && state[0] == '/') return state;
    std::string home = env("HOME");
    return home.empty() ? std::string() : Join(Join(home, ".local"), "state");
}

std::set<std::string> ReadNames(const std::string& file) {
    std::set<std::string> names;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) names.insert(line);
    return names;
}

} // namespace

std::string UserVideosDir(const EnvLookup& env) {
    std::string home = env("HOME");
    std::string config = ConfigHome(env);
    std::string videos;
    if (!config.empty())
        videos = XdgUserDir(Join(config, "user-dirs.dirs"), "XDG_VIDEOS_DIR", home);
    if (videos.empty()) videos = home;
    return videos.empty() ? std::string() : WithTrailingBackslash(videos);
}

Locations FindLocations(const std::string& programDir, const EnvLookup& env) {
    Locations where;
    where.ProgramDir = WithTrailingBackslash(programDir);
    const std::string beside = where.ProgramDir + EncoderName;
    // Never told by the encoder: a portable folder whose encoder is missing
    // (half copied, quarantined) must keep its settings and profiles.
    where.Installed = InstallsUnderPrefix && !FileExists(where.ProgramDir + "Preferences.ini") &&
                      !DirectoryExists(where.ProgramDir + "Profiles");
    if (!where.Installed) {
        where.EncoderPath = beside;
        where.ConfigDir = where.ProgramDir;
        where.ProfilesDir = where.ProgramDir + "Profiles" + PathDelim;
        where.ShippedProfilesDir = where.ProfilesDir;
        where.ManualFile = HelpIsCompiled ? where.ProgramDir + "Quorvex.chm"
                                          : where.ProgramDir + "manual" + PathDelim + "index.html";
        where.DefaultOutputDir = where.ProgramDir;
        where.LogsDir = where.ProgramDir + "logs" + PathDelim;
        where.StateDir = where.ProgramDir;
    } else {
        const std::string prefix = Parent(where.ProgramDir);
        const std::string share = prefix + "share/tarvolin/";
        where.EncoderPath = prefix + "lib/tarvolin/" + EncoderName;
        where.ShippedProfilesDir = share + "Profiles/";
        where.ManualFile = share + "manual/index.html";
        std::string config = ConfigHome(env);
        // Without a home there is no user folder; the working folder is the
        // last place that is the user's rather than the installation's.
        if (config.empty()) config = CurrentFolder();
        where.ConfigDir = WithTrailingBackslash(Join(config, "tarvolin"));
        where.ProfilesDir = where.ConfigDir + "Profiles/";
        where.DefaultOutputDir = UserVideosDir(env);
        if (where.DefaultOutputDir.empty()) where.DefaultOutputDir = where.ConfigDir;
        const std::string state = StateHome(env);
        where.StateDir =
            state.empty() ? where.ConfigDir : WithTrailingBackslash(Join(state, "tarvolin"));
        where.LogsDir = where.StateDir + "logs/";
    }
    where.PreferencesFile = where.ConfigDir + "Preferences.ini";
    return where;
}

bool PrepareUserFolders(const Locations& where, std::string& reason) {
    if (!where.Installed) return true;
    std::string why;
    if (!MakeFolders(where.ProfilesDir, why)) {
        reason = "Cannot create folder \"" + where.ProfilesDir + "\". " + why;
        return false;
    }
    // The Videos folder the user's settings name is made on first use.
    if (!where.DefaultOutputDir.empty() && !DirectoryExists(where.DefaultOutputDir))
        MakeFolders(where.DefaultOutputDir, why);
    const std::string listFile = where.ProfilesDir + ShippedListName;
    std::set<std::string> given = ReadNames(listFile);
    std::vector<std::string> shipped;
    for (const FolderEntry& entry : ListFolder(where.ShippedProfilesDir))
        if (LowerAscii(ExtractFileExt(entry.Name)) == ".apf") shipped.push_back(entry.Name);
    std::sort(shipped.begin(), shipped.end());

    bool ok = true;
    std::ofstream list;
    for (const std::string& name : shipped) {
        if (given.count(name)) continue;
        const std::string target = where.ProfilesDir + name;
        // A user's own file of that name is kept; it counts as given.
        // Shipped files may be read-only; the user's copy is rewritten on load.
        if (!FileExists(target) && !CopyNewFile(where.ShippedProfilesDir + name, target, why)) {
            reason = "Cannot copy \"" + name + "\" to \"" + where.ProfilesDir + "\". " + why;
            ok = false;
            continue;
        }
        if (!list.is_open()) list.open(listFile, std::ios::binary | std::ios::app);
        list << name << '\n';
    }
    return ok;
}
