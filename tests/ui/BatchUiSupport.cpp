#include "BatchUiSupport.h"

#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ShellQuoted(const std::string& text) {
    std::string r = "'";
    for (char c : text)
        r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

} // namespace

void WritePreferences(ProgramFolder& folder, const std::vector<std::string>& mainLines) {
    std::string text = "[Main]\r\n";
    for (const auto& line : mainLines)
        text += line + "\r\n";
    WriteFileBytes(folder.File("Preferences.ini"), text);
}

WhenInBatch::WhenInBatch(std::function<bool()> when, std::function<void()> then)
    : FWhen(std::move(when)), FThen(std::move(then)), FTimer(new QTimer(this)) {
    FTimer->setTimerType(Qt::PreciseTimer);
    FTimer->setInterval(1);
    connect(FTimer, &QTimer::timeout, this, [this] {
        if (FFired || !FWhen()) return;
        FFired = true;
        FTimer->stop();
        FThen();
    });
    FTimer->start();
}

double MediaSeconds(const std::string& path) {
    std::string cmd = "ffprobe -v error -show_entries format=duration -of csv=p=0 " +
                      ShellQuoted(path) + " 2>/dev/null";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return -1;
    char line[128] = {};
    bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    if (!got) return -1;
    char* end = nullptr;
    double seconds = std::strtod(line, &end);
    return end == line ? -1 : seconds;
}

void MakeTruncatedMp4(const std::string& path, int seconds, int keepPercent) {
    fs::create_directories(fs::path(path).parent_path());
    const std::string whole = path + ".whole.mp4";
    // The index goes first ("faststart"), so that a file cut short still
    // reads and tells the full length.
    const std::string d = std::to_string(seconds);
    const std::string cmd = "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=duration=" + d +
                            ":size=160x120:rate=10 -c:v mpeg4 -movflags +faststart " +
                            ShellQuoted(whole);
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("ffmpeg failed: " + cmd);
    const std::string bytes = ReadText(whole);
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size() * keepPercent / 100));
    fs::remove(whole);
}

void MakeClipWithSound(const std::string& path, int pictureSeconds, int soundSeconds) {
    fs::create_directories(fs::path(path).parent_path());
    const std::string cmd =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=duration=" +
        std::to_string(pictureSeconds) +
        ":size=160x120:rate=10 -f lavfi -i sine=duration=" + std::to_string(soundSeconds) +
        " -c:v mpeg4 -c:a aac " + ShellQuoted(path);
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("ffmpeg failed: " + cmd);
}

int KillFfmpeg(const std::string& text) {
    int killed = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string cmdline = ReadText(entry.path() / "cmdline");
        const std::string program = cmdline.substr(0, cmdline.find('\0'));
        if (fs::path(program).filename() != "ffmpeg" || cmdline.find(text) == std::string::npos)
            continue;
        if (::kill(std::stoi(pid), SIGKILL) == 0) ++killed;
    }
    return killed;
}

std::vector<std::string> EncoderProcessesLeft(const std::string& text) {
    std::vector<std::string> left;
    const std::string self = std::to_string(getpid());
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
        // /proc/<pid>/stat: pid (comm) state ppid ...
        const std::string stat = ReadText(entry.path() / "stat");
        const size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        const std::string comm = stat.substr(open + 1, close - open - 1);
        std::istringstream rest(stat.substr(close + 1));
        std::string state, ppid;
        rest >> state >> ppid;
        std::string cmdline = ReadText(entry.path() / "cmdline");
        for (char& c : cmdline)
            if (c == '\0') c = ' ';
        const bool encoderChild = ppid == self && (comm == "wmaspi.dll" || comm == "ffmpeg");
        if (encoderChild || (!text.empty() && cmdline.find(text) != std::string::npos))
            left.push_back(pid + " " + comm + " " + state + " " + cmdline);
    }
    return left;
}

void LogEncoderRuns(ProgramFolder& folder, const std::string& logPath) {
    const fs::path encoder = folder.File("wmaspi.dll");
    const fs::path real = fs::read_symlink(encoder);
    fs::remove(encoder);
    WriteFileBytes(encoder.string(), "#!/bin/sh\n"
                                     "for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> " +
                                         ShellQuoted(logPath) +
                                         "\n"
                                         "echo -- >> " +
                                         ShellQuoted(logPath) + "\nexec " +
                                         ShellQuoted(real.string()) + " \"$@\"\n");
    fs::permissions(encoder, fs::perms::owner_all, fs::perm_options::replace);
}

std::vector<std::vector<std::string>> LoggedRuns(const std::string& logPath) {
    std::vector<std::vector<std::string>> runs(1);
    std::istringstream lines(ReadText(logPath));
    std::string line;
    while (std::getline(lines, line)) {
        if (line == "--")
            runs.emplace_back();
        else
            runs.back().push_back(line);
    }
    runs.pop_back();
    return runs;
}
