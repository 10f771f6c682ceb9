#include "cli/Options.h"

#include "base/Text.h"
#include "base/TimeText.h"
#include "platform/FileSystem.h"

#include <string_view>

#ifndef TARVOLIN_VERSION
#define TARVOLIN_VERSION "3.0"
#endif

namespace {

enum class Takes { Nothing, Value };

struct OptionRule {
    char Short; // 0: none
    const char* Long;
    Takes What;
};

constexpr OptionRule Rules[] = {
    {'p', "profile", Takes::Value},      {0, "set", Takes::Value},
    {'o', "output", Takes::Value},       {0, "name", Takes::Value},
    {0, "start", Takes::Value},          {0, "end", Takes::Value},
    {'j', "jobs", Takes::Value},         {0, "overwrite", Takes::Nothing},
    {0, "no-overwrite", Takes::Nothing}, {0, "list-profiles", Takes::Nothing},
    {0, "show-profile", Takes::Value},   {'n', "dry-run", Takes::Nothing},
    {0, "json", Takes::Nothing},         {'q', "quiet", Takes::Nothing},
    {'V', "version", Takes::Nothing},    {'h', "help", Takes::Nothing},
};

const OptionRule* FindLong(std::string_view name) {
    for (const OptionRule& rule : Rules)
        if (name == rule.Long) return &rule;
    return nullptr;
}

const OptionRule* FindShort(char c) {
    for (const OptionRule& rule : Rules)
        if (rule.Short == c) return &rule;
    return nullptr;
}

// Takes one option's value into options; the problem when it cannot.
std::string Take(const OptionRule& rule, const std::string& value, CliOptions& o) {
    const std::string_view name = rule.Long;
    if (name == "profile") {
        if (value.empty()) return "--profile needs a profile's name or a .apf file";
        o.Profile = value;
    } else if (name == "set") {
        const size_t eq = value.find('=');
        if (eq == std::string::npos || eq == 0)
            return "--set \"" + value + "\": write it as --set \"CAPTION=VALUE\"";
        o.Sets.emplace_back(value.substr(0, eq), value.substr(eq + 1));
    } else if (name == "output") {
        if (value.empty()) return "--output needs a folder";
        o.OutputDir = value;
    } else if (name == "name") {
        bool separator = false;
        for (char c : value)
            separator = separator || IsPathDelimiter(c);
        if (value.empty() || separator || value == "." || value == "..")
            return "--name \"" + value + "\": a file name without a folder is wanted";
        o.Name = value;
    } else if (name == "start" || name == "end") {
        if (TimeToSeconds(value) < 0)
            return "--" + std::string(name) + " \"" + value +
                   "\" is not a time (HH:MM:SS or HH:MM:SS.t, such as 00:01:30.5)";
        (name == "start" ? o.Start : o.End) = value;
    } else if (name == "jobs") {
        int32_t jobs = 0;
        if (!TryParseInteger(value, jobs) || jobs < 1 || jobs > MaxJobs)
            return "--jobs \"" + value + "\": a number from 1 to " + std::to_string(MaxJobs) +
                   " is wanted";
        o.Jobs = jobs;
    } else if (name == "show-profile") {
        o.ShowProfile = value;
    } else if (name == "overwrite" || name == "no-overwrite") {
        o.Overwrite = name == "overwrite";
    } else if (name == "list-profiles") {
        o.ListProfiles = true;
    } else if (name == "dry-run") {
        o.DryRun = true;
    } else if (name == "json") {
        o.Json = true;
    } else if (name == "quiet") {
        o.Quiet = true;
    } else if (name == "version") {
        o.Version = true;
    } else if (name == "help") {
        o.Help = true;
    }
    return {};
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    CliOptions& o = parsed.Options;
    auto fail = [&parsed](std::string problem) {
        parsed.Error = std::move(problem);
        return parsed;
    };
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            o.Inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg[1] == '-') {
            const size_t eq = arg.find('=');
            const std::string name = arg.substr(2, eq == std::string::npos ? eq : eq - 2);
            const OptionRule* rule = FindLong(name);
            if (!rule) return fail("unknown option --" + name + " (see --help)");
            std::string value;
            if (rule->What == Takes::Nothing) {
                if (eq != std::string::npos) return fail("--" + name + " takes no value");
            } else if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return fail("--" + name + " needs a value");
            }
            std::string problem = Take(*rule, value, o);
            if (!problem.empty()) return fail(problem);
            continue;
        }
        // Short options, flags combined; one that takes a value takes the
        // rest of the word or the next argument.
        for (size_t k = 1; k < arg.size(); ++k) {
            const OptionRule* rule = FindShort(arg[k]);
            if (!rule) return fail("unknown option -" + std::string(1, arg[k]) + " (see --help)");
            std::string value;
            if (rule->What == Takes::Value) {
                if (k + 1 < arg.size())
                    value = arg.substr(k + 1);
                else if (i + 1 < args.size())
                    value = args[++i];
                else
                    return fail("-" + std::string(1, arg[k]) + " needs a value");
                k = arg.size();
            }
            std::string problem = Take(*rule, value, o);
            if (!problem.empty()) return fail(problem);
        }
    }
    if (!o.Help && !o.Version && !o.ListProfiles && !o.ShowProfile && o.Inputs.empty())
        return fail("no file or folder named (see --help)");
    return parsed;
}

std::string HelpText() {
    return "usage: tarvolin-cli [options] FILE|FOLDER...\n"
           "Converts videos with a profile of Tarvolin PSP Video Converter, as its window does.\n"
           "\n"
           "  -p, --profile NAME|FILE.apf   profile by catalogue name (letter case ignored) or\n"
           "                                by path (default: the profile the window last used,\n"
           "                                else the first in the catalogue)\n"
           "      --set \"CAPTION=VALUE\"     set one sheet row of the profile for this run, as\n"
           "                                picking it in the window would; a custom size is\n"
           "                                written --set \"Video Size=640x360\"; repeatable\n"
           "  -o, --output DIR              output folder (default: the window's Output Path)\n"
           "      --name NAME               output file name (only with one input)\n"
           "      --start TIME --end TIME   range to convert, such as 00:01:30 or 00:01:30.5\n"
           "                                (only with one input)\n"
           "  -j, --jobs N                  conversions at once (default: the window's\n"
           "                                \"Simultaneous conversions\")\n"
           "      --overwrite | --no-overwrite   overwrite existing outputs, or give new ones\n"
           "                                a numbered name (default: the saved setting)\n"
           "      --list-profiles           print the catalogue, one name a line\n"
           "      --show-profile NAME       print the profile's rows, values and choices\n"
           "  -n, --dry-run                 print each task's output path and encoder command\n"
           "                                line; convert nothing\n"
           "      --json                    print events as JSON Lines on standard output\n"
           "  -q, --quiet                   print only failures and the summary\n"
           "  -V, --version                 print the version\n"
           "  -h, --help                    print this help\n"
           "\n"
           "Exit status: 0 every task Complete, 1 a task Incomplete or Failed, 2 a usage\n"
           "error, 130 interrupted (Ctrl+C stops as the window's Stop does; a second one\n"
           "ends at once). No completion action ever runs. See tarvolin-cli(1).\n";
}

std::string VersionText() {
    return "tarvolin-cli (Tarvolin PSP Video Converter) " TARVOLIN_VERSION "\n";
}
