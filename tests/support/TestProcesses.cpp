#include "TestProcesses.h"

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

StartedTool StartTool(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& env, ErrorOutput errors) {
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const std::string& o : env)
            replaced |= entry.compare(0, o.find('=') + 1, o, 0, o.find('=') + 1) == 0;
        if (!replaced) envText.push_back(entry);
    }
    envText.insert(envText.end(), env.begin(), env.end());
    std::vector<char*> envp, argv;
    for (std::string& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int fds[2], errFds[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    if (errors == ErrorOutput::Apart && pipe2(errFds, O_CLOEXEC) != 0) {
        close(fds[0]);
        close(fds[1]);
        return {};
    }
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        int in = open("/dev/null", O_RDONLY);
        if (in >= 0) dup2(in, 0);
        dup2(fds[1], 1);
        dup2(errors == ErrorOutput::Apart ? errFds[1] : fds[1], 2);
        if (program.find('/') == std::string::npos) {
            environ = envp.data();
            execvp(argv[0], argv.data());
        } else {
            execve(argv[0], argv.data(), envp.data());
        }
        _exit(127);
    }
    close(fds[1]);
    if (errFds[1] >= 0) close(errFds[1]);
    if (pid < 0) {
        close(fds[0]);
        if (errFds[0] >= 0) close(errFds[0]);
        return {};
    }
    return {pid, fds[0], errFds[0]};
}

namespace {

// Reads every pipe of reads until all have ended or the deadline passes;
// true when all ended.
bool ReadAllUntilEnd(std::vector<std::pair<int, std::string*>> reads,
                     TestClock::time_point deadline) {
    char buf[4096];
    while (!reads.empty() && TestClock::now() < deadline) {
        std::vector<pollfd> p;
        for (const auto& r : reads)
            p.push_back(pollfd{r.first, POLLIN, 0});
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TestClock::now())
                .count();
        if (poll(p.data(), p.size(), static_cast<int>(left) + 1) <= 0) continue;
        for (size_t i = p.size(); i-- > 0;) {
            if (p[i].revents == 0) continue;
            ssize_t n = read(p[i].fd, buf, sizeof buf);
            if (n > 0)
                reads[i].second->append(buf, static_cast<size_t>(n));
            else if (n == 0 || errno != EINTR)
                reads.erase(reads.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    return reads.empty();
}

} // namespace

bool ReadUntilEnd(int fd, std::string& out, TestClock::time_point deadline) {
    return ReadAllUntilEnd({{fd, &out}}, deadline);
}

int WaitExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

ToolResult RunCaptured(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& env, ErrorOutput errors) {
    StartedTool c = StartTool(program, args, env, errors);
    ToolResult r;
    if (c.Pid < 0) return r;
    std::vector<std::pair<int, std::string*>> reads{{c.Fd, &r.Output}};
    if (c.ErrFd >= 0) reads.emplace_back(c.ErrFd, &r.Errors);
    bool ended = ReadAllUntilEnd(reads, TestClock::now() + std::chrono::seconds(60));
    close(c.Fd);
    if (c.ErrFd >= 0) close(c.ErrFd);
    if (!ended) kill(-c.Pid, SIGKILL);
    r.Exit = WaitExit(c.Pid);
    return r;
}

ToolResult Ffmpeg(std::vector<std::string> args) {
    args.insert(args.begin(), {"-hide_banner", "-nostdin", "-loglevel", "error", "-y"});
    return RunCaptured("ffmpeg", args);
}

ToolResult MakeTestClip(const std::string& path, const TestClip& clip) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::string size = std::to_string(clip.Width) + "x" + std::to_string(clip.Height);
    std::string d = std::to_string(clip.Seconds);
    // ffmpeg tags a rotation only when it copies the stream.
    const std::string made = clip.Rotation ? path + ".unturned.mp4" : path;
    ToolResult r =
        Ffmpeg({"-f", "lavfi", "-i", "testsrc=size=" + size + ":rate=25:duration=" + d, "-f",
                "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=" + d, "-c:v",
                clip.VideoCodec, "-pix_fmt", "yuv420p", "-c:a", "aac", made});
    if (r.Exit != 0 || !clip.Rotation) return r;
    r = Ffmpeg({"-i", made, "-c", "copy", "-metadata:s:v:0",
                "rotate=" + std::to_string(clip.Rotation), path});
    std::filesystem::remove(made, ec);
    return r;
}

std::vector<ProcessEntry> LiveProcesses() {
    std::vector<ProcessEntry> live;
    DIR* d = opendir("/proc");
    if (!d) return live;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
        const std::string dir = std::string("/proc/") + e->d_name;
        std::ifstream in(dir + "/stat");
        std::string stat;
        std::getline(in, stat);
        size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        ProcessEntry p;
        p.Pid = std::atoi(e->d_name);
        p.Name = stat.substr(open + 1, close - open - 1);
        if (std::sscanf(stat.c_str() + close + 1, " %c %d %d", &p.State, &p.Parent, &p.Group) != 3)
            continue;
        if (p.State == 'Z' || p.State == 'X') continue;
        std::ifstream cmdline(dir + "/cmdline", std::ios::binary);
        p.CommandLine.assign(std::istreambuf_iterator<char>(cmdline),
                             std::istreambuf_iterator<char>());
        live.push_back(p);
    }
    closedir(d);
    return live;
}
#endif
