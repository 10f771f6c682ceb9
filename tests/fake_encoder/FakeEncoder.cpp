// A stand-in encoder for the runner's tests, driven by its arguments. It
// works through them from left to right; words it does not know are skipped
// (so it can be started with a whole encoder command line). Commands:
//   print TEXT      writes TEXT to standard output (\n, \r, \t, \\ decoded)
//   stderr TEXT     the same to standard error
//   chunks N TEXT   writes TEXT N times, one write each, 20 ms apart
//   bytes N         writes N bytes of a known pattern in one write
//   sleep MS        waits
//   exit CODE       ends with that exit code
//   echoargs        writes every argument (including this list) as "[arg]\n"
//   hang            waits forever
//   ignoreterm      ignores SIGTERM from now on (POSIX)
//   spawnhang       starts a copy of itself that hangs holding the output
//                   open (POSIX), to show that a stop reaches it too
//   closeout        closes standard output and error and goes on
//   readin          reads standard input to its end and writes "[in:TEXT]"
//   pid             writes its process id and a line end (POSIX)
// With only "-i FILE" (a probe's command line) the commands are read from
// FILE instead, one a line: the command word, a blank, its argument.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace {

std::string Decode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char c = text[++i];
            if (c == 'n')
                out += '\n';
            else if (c == 'r')
                out += '\r';
            else if (c == 't')
                out += '\t';
            else
                out += c;
        } else {
            out += text[i];
        }
    }
    return out;
}

void Write(FILE* f, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fflush(f);
}

void SleepMs(long ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

[[noreturn]] void Hang() {
    for (;;)
        SleepMs(1000);
}

// The byte at position i of the "bytes" pattern.
char PatternByte(long i) {
    return static_cast<char>('a' + i % 26);
}

std::vector<std::string> ReadScript(const char* file) {
    std::vector<std::string> words;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        size_t blank = line.find(' ');
        words.push_back(line.substr(0, blank));
        if (blank != std::string::npos) words.push_back(line.substr(blank + 1));
    }
    return words;
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::vector<std::string> words(argv + 1, argv + argc);
    if (argc == 3 && words[0] == "-i") words = ReadScript(argv[2]);

    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        bool hasArg = i + 1 < words.size();
        if (w == "print" && hasArg) {
            Write(stdout, Decode(words[++i]));
        } else if (w == "stderr" && hasArg) {
            Write(stderr, Decode(words[++i]));
        } else if (w == "chunks" && i + 2 < words.size()) {
            long n = std::atol(words[++i].c_str());
            std::string text = Decode(words[++i]);
            for (long k = 0; k < n; ++k) {
                Write(stdout, text);
                SleepMs(20);
            }
        } else if (w == "bytes" && hasArg) {
            long n = std::atol(words[++i].c_str());
            std::string text;
            for (long k = 0; k < n; ++k)
                text += PatternByte(k);
            Write(stdout, text);
        } else if (w == "sleep" && hasArg) {
            SleepMs(std::atol(words[++i].c_str()));
        } else if (w == "exit" && hasArg) {
            return std::atoi(words[++i].c_str());
        } else if (w == "echoargs") {
            for (int k = 1; k < argc; ++k)
                Write(stdout, std::string("[") + argv[k] + "]\n");
        } else if (w == "hang") {
            Hang();
        } else if (w == "ignoreterm") {
#ifndef _WIN32
            std::signal(SIGTERM, SIG_IGN);
#endif
        } else if (w == "pid") {
#ifndef _WIN32
            Write(stdout, std::to_string(getpid()) + "\n");
#endif
        } else if (w == "readin") {
            std::string in;
            char buf[256];
            for (size_t n; (n = std::fread(buf, 1, sizeof buf, stdin)) > 0;)
                in.append(buf, n);
            Write(stdout, "[in:" + in + "]");
        } else if (w == "closeout") {
            std::fclose(stdout);
            std::fclose(stderr);
        } else if (w == "spawnhang") {
#ifndef _WIN32
            if (fork() == 0) Hang();
#endif
        }
    }
    return 0;
}
