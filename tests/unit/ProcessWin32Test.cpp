// The Win32 child process: one pipe for output and error, reads with a
// timeout, the command text passed as it stands, Terminate with exit code 4
// reaching everything the child started, and no pipe handle leaking into
// children started at the same time. The child is this test program itself,
// started with a marker on its command line (see ChildMain).
#ifdef _WIN32

#include "TestSupport.h"
#include "platform/Process.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* ChildMarker = "--win32-child";

std::string OwnPath() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n);
}

void WriteTo(DWORD which, const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(which), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Starts this program again as a child sharing our standard output and
// error (handles inherited), running the given actions.
void SpawnGrandchild(const std::string& actions) {
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::string text = std::string(" ") + ChildMarker + " " + actions;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(OwnPath().c_str(), text.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

// The child's part. Actions, in order: "out WORD" and "err WORD" write the
// word and a line end to standard output or error; "bytes N" writes N bytes;
// "cmdline" writes our command line between brackets; "pid" writes our
// process id; "spawn" starts a grandchild that writes its id and sleeps;
// "sleep MS"; "readin" reads standard input to its end and writes it between
// "[in:" and "]"; "exit N" ends with that code (default 0).
[[noreturn]] void ChildMain(std::istringstream& words) {
    std::string action;
    while (words >> action) {
        if (action == "out" || action == "err") {
            std::string word;
            words >> word;
            WriteTo(action == "out" ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, word + "\n");
        } else if (action == "bytes") {
            size_t n = 0;
            words >> n;
            WriteTo(STD_OUTPUT_HANDLE, std::string(n, 'x'));
        } else if (action == "cmdline") {
            WriteTo(STD_OUTPUT_HANDLE, std::string("[") + GetCommandLineA() + "]");
        } else if (action == "pid") {
            WriteTo(STD_OUTPUT_HANDLE, "pid " + std::to_string(GetCurrentProcessId()) + "\n");
        } else if (action == "spawn") {
            SpawnGrandchild("pid sleep 60000");
        } else if (action == "sleep") {
            DWORD ms = 0;
            words >> ms;
            Sleep(ms);
        } else if (action == "readin") {
            std::string in;
            char buf[256];
            DWORD got = 0;
            while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &got, nullptr) &&
                   got > 0)
                in.append(buf, got);
            WriteTo(STD_OUTPUT_HANDLE, "[in:" + in + "]");
        } else if (action == "exit") {
            UINT code = 0;
            words >> code;
            ExitProcess(code);
        }
    }
    ExitProcess(0);
}

// Runs before the test framework: a command line with the marker makes this
// process the child and never returns.
const bool IsChild = [] {
    std::istringstream words(GetCommandLineA());
    std::string word;
    while (words >> word)
        if (word == ChildMarker) ChildMain(words);
    return false;
}();

CommandLine ChildCommand(const std::string& actions) {
    CommandLine c;
    c.Text = std::string(" ") + ChildMarker + " " + actions;
    return c;
}

// Reads until the pipe ends (or 30 s pass), every chunk at most maxBytes.
std::string ReadAll(ChildProcess& p, size_t maxBytes = 4095, size_t* largest = nullptr) {
    std::string all;
    std::vector<char> buffer(maxBytes + 1);
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < limit) {
        size_t got = 0;
        auto status = p.Read(buffer.data(), maxBytes, 50, got);
        if (status == ChildProcess::ReadStatus::End) return all;
        if (largest && got > *largest) *largest = got;
        all.append(buffer.data(), got);
    }
    ADD_FAILURE() << "the pipe did not end; read so far: " << all;
    return all;
}

std::vector<DWORD> PidsIn(const std::string& text) {
    std::vector<DWORD> pids;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
        if (word == "pid") {
            DWORD pid = 0;
            in >> pid;
            pids.push_back(pid);
        }
    return pids;
}

// True when the process with that id has ended (or no longer exists).
bool Ended(DWORD pid, DWORD waitMs) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) return true;
    bool ended = WaitForSingleObject(h, waitMs) == WAIT_OBJECT_0;
    CloseHandle(h);
    return ended;
}

} // namespace

TEST(ProcessWin32, OutputAndErrorShareOnePipeAndTheExitCodeIsKept) {
    ChildProcess p;
    ASSERT_EQ(p.Start(OwnPath(), ChildCommand("out first err second out third exit 7")),
              ChildProcess::StartError::None);
    EXPECT_TRUE(p.Started());
    EXPECT_EQ(ReadAll(p), "first\nsecond\nthird\n");
    int code = -1;
    ASSERT_TRUE(p.Wait(10000, code));
    EXPECT_EQ(code, 7);
}

TEST(ProcessWin32, ErrorCanStayOursAndInputBeNone) {
    TempDir dir;
    std::string errFile = dir.file("err.txt");
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, FALSE};
    HANDLE err = CreateFileA(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0,
                             nullptr);
    ASSERT_NE(err, INVALID_HANDLE_VALUE);
    // Our standard input is a pipe holding a word, which the child must not see.
    HANDLE inRead = nullptr, inWrite = nullptr;
    ASSERT_TRUE(CreatePipe(&inRead, &inWrite, &sa, 0));
    DWORD written = 0;
    WriteFile(inWrite, "fed", 3, &written, nullptr);
    HANDLE savedErr = GetStdHandle(STD_ERROR_HANDLE), savedIn = GetStdHandle(STD_INPUT_HANDLE);
    SetStdHandle(STD_ERROR_HANDLE, err);
    SetStdHandle(STD_INPUT_HANDLE, inRead);

    ChildOptions options;
    options.ErrorIntoPipe = false;
    options.NoInput = true;
    ChildProcess p;
    ChildProcess::StartError started =
        p.Start(OwnPath(), ChildCommand("readin err e1 out o1"), options);
    std::string out = started == ChildProcess::StartError::None ? ReadAll(p) : "";
    int code = -1;
    bool ended = p.Wait(10000, code);

    SetStdHandle(STD_ERROR_HANDLE, savedErr);
    SetStdHandle(STD_INPUT_HANDLE, savedIn);
    for (HANDLE h : {err, inRead, inWrite})
        CloseHandle(h);
    ASSERT_EQ(started, ChildProcess::StartError::None);
    EXPECT_EQ(out, "[in:]o1\n");
    EXPECT_TRUE(ended);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFileBytes(errFile), "e1\n");
}

TEST(ProcessWin32, ReadsNeverExceedTheLimit) {
    ChildProcess p;
    ASSERT_EQ(p.Start(OwnPath(), ChildCommand("bytes 20000")), ChildProcess::StartError::None);
    size_t largest = 0;
    EXPECT_EQ(ReadAll(p, 4095, &largest), std::string(20000, 'x'));
    EXPECT_LE(largest, 4095u);
    EXPECT_GT(largest, 0u);
}

TEST(ProcessWin32, ProgramPathWithBlanksAndAnyExtensionGetsTheTextAsItStands) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "dir with blanks");
    std::string program = (dir.path() / "dir with blanks" / "wmaspi.dll").string();
    ASSERT_TRUE(CopyFileA(OwnPath().c_str(), program.c_str(), FALSE));
    CommandLine c = ChildCommand("cmdline");
    c.Text += " -y -i \"C:\\a b\\in file.avi\" -t 3 \"C:\\out dir\\x.mp4\"";
    {
        ChildProcess p;
        ASSERT_EQ(p.Start(program, c), ChildProcess::StartError::None);
        EXPECT_EQ(ReadAll(p), "[" + c.Text + "]");
        int code = -1;
        EXPECT_TRUE(p.Wait(10000, code));
    }
}

TEST(ProcessWin32, MissingProgramIsNotStarted) {
    TempDir dir;
    ChildProcess p;
    EXPECT_EQ(p.Start(dir.file("wmaspi.dll"), ChildCommand("exit 0")),
              ChildProcess::StartError::Process);
    EXPECT_FALSE(p.Started());
    size_t got = 1;
    char buffer[16];
    EXPECT_EQ(p.Read(buffer, sizeof buffer, 0, got), ChildProcess::ReadStatus::End);
    EXPECT_EQ(got, 0u);
    int code = -1;
    EXPECT_FALSE(p.Wait(0, code));
    p.Terminate(); // harmless
    p.Kill();
}

TEST(ProcessWin32, SilentChildTimesOutThenTerminateEndsItWithCode4) {
    ChildProcess p;
    ASSERT_EQ(p.Start(OwnPath(), ChildCommand("sleep 60000")), ChildProcess::StartError::None);
    char buffer[64];
    size_t got = 1;
    EXPECT_EQ(p.Read(buffer, sizeof buffer, 0, got), ChildProcess::ReadStatus::Timeout);
    EXPECT_EQ(p.Read(buffer, sizeof buffer, 30, got), ChildProcess::ReadStatus::Timeout);
    EXPECT_EQ(got, 0u);
    int code = -1;
    EXPECT_FALSE(p.Wait(0, code));

    p.Terminate();
    EXPECT_EQ(ReadAll(p), "");
    ASSERT_TRUE(p.Wait(10000, code));
    EXPECT_EQ(code, 4);
}

TEST(ProcessWin32, TerminateAfterTheEndKeepsTheRealExitCode) {
    ChildProcess p;
    ASSERT_EQ(p.Start(OwnPath(), ChildCommand("out done exit 0")), ChildProcess::StartError::None);
    EXPECT_EQ(ReadAll(p), "done\n");
    int code = -1;
    ASSERT_TRUE(p.Wait(10000, code));
    EXPECT_EQ(code, 0);
    p.Terminate();
    p.Terminate();
    p.Kill();
    ASSERT_TRUE(p.Wait(0, code));
    EXPECT_EQ(code, 0);
}

TEST(ProcessWin32, TerminateAndDestructionReachWhatTheChildStarted) {
    // The grandchild holds the pipe's write end: the pipe ends only when it
    // is gone too.
    ChildProcess p;
    ASSERT_EQ(p.Start(OwnPath(), ChildCommand("pid spawn sleep 60000")),
              ChildProcess::StartError::None);
    std::string seen;
    char buffer[256];
    for (int i = 0; i < 600 && PidsIn(seen).size() < 2; ++i) {
        size_t got = 0;
        if (p.Read(buffer, sizeof buffer, 50, got) == ChildProcess::ReadStatus::End) break;
        seen.append(buffer, got);
    }
    std::vector<DWORD> pids = PidsIn(seen);
    ASSERT_EQ(pids.size(), 2u) << seen;
    p.Terminate();
    ReadAll(p);
    int code = -1;
    ASSERT_TRUE(p.Wait(10000, code));
    EXPECT_EQ(code, 4);
    for (DWORD pid : pids)
        EXPECT_TRUE(Ended(pid, 10000)) << "process " << pid << " survived";

    std::vector<DWORD> second;
    {
        ChildProcess q;
        ASSERT_EQ(q.Start(OwnPath(), ChildCommand("pid spawn sleep 60000")),
                  ChildProcess::StartError::None);
        seen.clear();
        for (int i = 0; i < 600 && PidsIn(seen).size() < 2; ++i) {
            size_t got = 0;
            if (q.Read(buffer, sizeof buffer, 50, got) == ChildProcess::ReadStatus::End) break;
            seen.append(buffer, got);
        }
        second = PidsIn(seen);
        ASSERT_EQ(second.size(), 2u) << seen;
    }
    for (DWORD pid : second)
        EXPECT_TRUE(Ended(pid, 10000)) << "process " << pid << " survived";
}

TEST(ProcessWin32, ConcurrentStartsDoNotShareTheirPipes) {
    // Long sleepers are started from one thread while short children are run
    // from another. Had a sleeper inherited a short child's write end, that
    // child's pipe would end only when the sleeper did, after the test.
    std::atomic<bool> done{false};
    std::vector<std::unique_ptr<ChildProcess>> sleepers;
    std::thread starter([&] {
        while (!done && sleepers.size() < 12) {
            auto s = std::make_unique<ChildProcess>();
            if (s->Start(OwnPath(), ChildCommand("sleep 60000")) == ChildProcess::StartError::None)
                sleepers.push_back(std::move(s));
        }
    });
    for (int i = 0; i < 8; ++i) {
        ChildProcess p;
        ASSERT_EQ(p.Start(OwnPath(), ChildCommand("out " + std::to_string(i))),
                  ChildProcess::StartError::None);
        EXPECT_EQ(ReadAll(p), std::to_string(i) + "\n");
    }
    done = true;
    starter.join();
    for (auto& s : sleepers) {
        int code = -1;
        EXPECT_FALSE(s->Wait(0, code)) << "a sleeper ended early";
        s->Kill();
        EXPECT_TRUE(s->Wait(10000, code));
    }
}

#endif // _WIN32
