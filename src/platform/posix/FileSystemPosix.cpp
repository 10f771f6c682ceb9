#include "platform/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
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

bool ProcessIsRunning(unsigned long pid) {
    // No process can have an id beyond pid_t; kill() must never see 0 or a
    // negative id, which would address process groups.
    if (pid == 0 || pid > static_cast<unsigned long>(INT_MAX)) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Removes the temporary files that saves into the folder of target left
// behind when they were killed: only names of our own pattern, only plain
// files, and only those whose process is gone or that are long past any
// save. A live save of another process keeps its file.
void RemoveStaleTempFiles(const std::string& target) {
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    const time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        unsigned long pid = 0;
        if (!ParseReplaceTempName(entry->d_name, pid)) continue;
        std::string path = folder + entry->d_name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        bool old = now - st.st_mtime > StaleTempAgeSeconds;
        if (old || !ProcessIsRunning(pid)) ::unlink(path.c_str());
    }
    ::closedir(dir);
}

// The data written into the file itself, flushed: for a folder that lets no
// temporary file be created. A failure midway leaves the file incomplete.
bool WriteInPlace(const std::string& target, std::string_view data, std::string& reason) {
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = SystemErrorText(errno);
        return false;
    }
    bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) reason = SystemErrorText(err);
    return ok;
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

    RemoveStaleTempFiles(target);

    // A name left by an earlier process with our id (the ids are reused)
    // is skipped, not taken over.
    static std::atomic<unsigned> counter{0};
    const auto pid = static_cast<unsigned long>(::getpid());
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = ReplaceTempName(target, pid, counter.fetch_add(1));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        int err = errno;
        // No right to create files in the folder (a read-only folder, where
        // the file itself may still be writable): write the file in place.
        if (err == EACCES || err == EPERM) return WriteInPlace(target, data, reason);
        reason = SystemErrorText(err);
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

bool MakePrivateFolder(const std::string& dir, std::string& reason) {
    // Each missing folder on the way is made 0700 (the umask only takes
    // rights away); folders already there are left as they are.
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        if (!part.empty() && part.back() != '/' && ::mkdir(part.c_str(), 0700) != 0 &&
            errno != EEXIST) {
            reason = SystemErrorText(errno);
            return false;
        }
        if (slash == std::string::npos) break;
    }
    struct stat st;
    const bool there = ::stat(dir.c_str(), &st) == 0;
    if (!there || !S_ISDIR(st.st_mode)) {
        reason = SystemErrorText(there ? ENOTDIR : errno);
        return false;
    }
    // A folder made open by an earlier version; one of another user's, or on
    // a file system without rights, stays as it is.
    if (st.st_uid == ::geteuid() && (st.st_mode & 077) != 0) ::chmod(dir.c_str(), 0700);
    return true;
}

bool WriteNewPrivateFile(const std::string& path, std::string_view data, std::string& reason) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        reason = SystemErrorText(errno);
        return false;
    }
    bool ok = WriteAll(fd, data);
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(path.c_str());
        reason = SystemErrorText(err);
    }
    return ok;
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

RenameResult RenameFile(const std::string& from, const std::string& to, bool replace,
                        std::string& reason) {
    if (replace) {
        if (::rename(from.c_str(), to.c_str()) == 0) return RenameResult::Done;
        reason = SystemErrorText(errno);
        return RenameResult::Failed;
    }
    // One step that refuses an existing name; file systems without it get a
    // hard link (which refuses one too) and the old name's removal.
    int err = 0;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return RenameResult::Done;
    err = errno;
    if (err == EINVAL || err == ENOSYS || err == ENOTSUP) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return RenameResult::Done;
        }
        err = errno;
        // Nor hard links (FAT): a look, then the rename.
        if (err == EPERM || err == ENOTSUP || err == EOPNOTSUPP) {
            struct stat st;
            if (::lstat(to.c_str(), &st) == 0) return RenameResult::TargetExists;
            if (::rename(from.c_str(), to.c_str()) == 0) return RenameResult::Done;
            err = errno;
        }
    }
    if (err == EEXIST) return RenameResult::TargetExists;
    reason = SystemErrorText(err);
    return RenameResult::Failed;
}

FileClaim::~FileClaim() {
    // Closing the file lets go of its lock.
    if (FHandle != -1) ::close(static_cast<int>(FHandle));
}

bool FileClaim::Take(const std::string& path, std::string& reason) {
    if (FHandle != -1) return true;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        reason = SystemErrorText(errno);
        return false;
    }
    // A lock of the open file: another open of the same file (in this
    // process or another) cannot take it while this one holds it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        reason =
            errno == EWOULDBLOCK ? "another copy of the program holds it" : SystemErrorText(errno);
        ::close(fd);
        return false;
    }
    FHandle = fd;
    return true;
}
