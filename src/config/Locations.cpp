#include "config/Locations.h"

#include "base/FileNames.h"
#include "base/Text.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* EncoderName = "wmaspi.dll";
constexpr const char* ShippedListName = ".shipped-profiles";

std::string Join(std::string dir, std::string_view name) {
    return WithTrailingBackslash(dir) + std::string(name);
}

// The folder above dir ("/usr/bin/" gives "/usr/").
std::string Parent(const std::string& dir) {
    fs::path p(dir);
    if (!p.has_filename()) p = p.parent_path(); // drop the trailing separator
    return WithTrailingBackslash(p.parent_path().string());
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
        if (value.empty() || value[0] != '/' || fs::path(value) == fs::path(home)) return {};
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

std::string ProcessEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

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
#ifdef _WIN32
    where.Installed = false;
#else
    // Never told by the encoder: a portable folder whose encoder is missing
    // (half copied, quarantined) must keep its settings and profiles.
    where.Installed = !FileExists(where.ProgramDir + "Preferences.ini") &&
                      !DirectoryExists(where.ProgramDir + "Profiles");
#endif
    if (!where.Installed) {
        where.EncoderPath = beside;
        where.ConfigDir = where.ProgramDir;
        where.ProfilesDir = where.ProgramDir + "Profiles" + PathDelim;
        where.ShippedProfilesDir = where.ProfilesDir;
#ifdef _WIN32
        where.ManualFile = where.ProgramDir + "Quorvex.chm";
#else
        where.ManualFile = where.ProgramDir + "manual" + PathDelim + "index.html";
#endif
        where.DefaultOutputDir = where.ProgramDir;
        where.LogsDir = where.ProgramDir + "logs" + PathDelim;
    } else {
        const std::string prefix = Parent(where.ProgramDir);
        const std::string share = prefix + "share/tarvolin/";
        where.EncoderPath = prefix + "lib/tarvolin/" + EncoderName;
        where.ShippedProfilesDir = share + "Profiles/";
        where.ManualFile = share + "manual/index.html";
        std::string config = ConfigHome(env);
        // Without a home there is no user folder; the working folder is the
        // last place that is the user's rather than the installation's.
        if (config.empty()) config = fs::current_path().string();
        where.ConfigDir = WithTrailingBackslash(Join(config, "tarvolin"));
        where.ProfilesDir = where.ConfigDir + "Profiles/";
        where.DefaultOutputDir = UserVideosDir(env);
        if (where.DefaultOutputDir.empty()) where.DefaultOutputDir = where.ConfigDir;
        const std::string state = StateHome(env);
        where.LogsDir = state.empty()
                            ? where.ConfigDir + "logs/"
                            : WithTrailingBackslash(Join(Join(state, "tarvolin"), "logs"));
    }
    where.PreferencesFile = where.ConfigDir + "Preferences.ini";
    return where;
}

bool PrepareUserFolders(const Locations& where, std::string& reason) {
    if (!where.Installed) return true;
    std::error_code ec;
    fs::create_directories(where.ProfilesDir, ec);
    if (ec || !DirectoryExists(where.ProfilesDir)) {
        reason = "Cannot create folder \"" + where.ProfilesDir + "\". " + ec.message();
        return false;
    }
    // The Videos folder the user's settings name is made on first use.
    if (!where.DefaultOutputDir.empty() && !DirectoryExists(where.DefaultOutputDir))
        fs::create_directories(where.DefaultOutputDir, ec);
    const std::string listFile = where.ProfilesDir + ShippedListName;
    std::set<std::string> given = ReadNames(listFile);
    std::vector<std::string> shipped;
    for (fs::directory_iterator it(where.ShippedProfilesDir, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (LowerAscii(ExtractFileExt(name)) == ".apf") shipped.push_back(name);
    }
    std::sort(shipped.begin(), shipped.end());

    bool ok = true;
    std::ofstream list;
    for (const std::string& name : shipped) {
        if (given.count(name)) continue;
        const std::string target = where.ProfilesDir + name;
        // A user's own file of that name is kept; it counts as given.
        if (!FileExists(target)) {
            fs::copy_file(where.ShippedProfilesDir + name, target, ec);
            if (ec) {
                reason = "Cannot copy \"" + name + "\" to \"" + where.ProfilesDir + "\". " +
                         ec.message();
                ok = false;
                continue;
            }
            // Shipped files may be read-only; the user's copy is rewritten on load.
            fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add, ec);
        }
        if (!list.is_open()) list.open(listFile, std::ios::binary | std::ios::app);
        list << name << '\n';
    }
    return ok;
}
