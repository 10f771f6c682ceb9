#include "platform/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string SystemErrorText(int code) {
    return std::strerror(code);
}

namespace {
bool WriteAll(int fd, std::string_view data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}
} // namespace

bool ReplaceFileContents(const std::string& path, std::string_view data, std::string& reason) {
    // Write through a symbolic link to the file it names, as an in-place
    // write would, instead of replacing the link.
    std::string target = path;
    char resolved[PATH_MAX];
    struct stat lst;
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) &&
        ::realpath(path.c_str(), resolved))
        target = resolved;

    mode_t mode = 0666;
    struct stat st;
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        // A target we may not write (read-only, a directory) is an error
        // even though a rename in its directory could succeed.
        int probe = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0) {
            reason = SystemErrorText(errno);
            return false;
        }
        ::close(probe);
        mode = st.st_mode & 07777;
    }

    static std::atomic<unsigned> counter{0};
    std::string temp = target + ".~" + std::to_string(::getpid()) + "_" +
                       std::to_string(counter.fetch_add(1)) + ".part";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
    if (fd < 0) {
        reason = SystemErrorText(errno);
        return false;
    }
    bool ok = WriteAll(fd, data);
    if (ok && exists) ok = ::fchmod(fd, mode) == 0;
    if (ok) ok = ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        reason = SystemErrorText(err);
        return false;
    }
    return true;
}

bool IsHiddenOrSystemFile(const std::string& path) {
    size_t slash = path.find_last_of(PathDelim);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return !name.empty() && name[0] == '.';
}

namespace {
bool IsExecutable(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}
} // namespace

std::string FindProgram(const std::string& ownDir, const std::string& name) {
    if (!ownDir.empty()) {
        std::string candidate = ownDir + (ownDir.back() == '/' ? "" : "/") + name;
        if (IsExecutable(candidate)) return candidate;
    }
    const char* env = std::getenv("PATH");
    std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= path.size()) {
        size_t colon = path.find(':', start);
        if (colon == std::string::npos) colon = path.size();
        std::string dir = path.substr(start, colon - start);
        start = colon + 1;
        // An empty entry would mean the current directory; a tool is never
        // taken from there.
        if (dir.empty()) continue;
        std::string candidate = dir + (dir.back() == '/' ? "" : "/") + name;
        if (IsExecutable(candidate)) return candidate;
    }
    return {};
}
