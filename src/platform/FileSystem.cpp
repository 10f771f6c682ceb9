#include "platform/FileSystem.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    auto st = fs::status(fs::path(path), ec);
    return !ec && fs::exists(st) && !fs::is_directory(st);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(fs::path(path), ec);
}

bool RegularFileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(fs::path(path), ec);
}

std::string FullPathName(const std::string& path) {
    std::error_code ec;
    auto full = fs::absolute(fs::path(path), ec);
    if (ec) return path;
    return full.lexically_normal().string();
}

std::string ReplaceTempName(const std::string& target, unsigned long pid, unsigned n) {
    return target + ".~" + std::to_string(pid) + "_" + std::to_string(n) + ".part";
}

namespace {
// Decimal digits only, at most maxDigits of them.
bool AllDigits(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}
} // namespace

bool ParseReplaceTempName(std::string_view fileName, unsigned long& pid) {
    constexpr std::string_view suffix = ".part";
    if (fileName.size() <= suffix.size() ||
        fileName.substr(fileName.size() - suffix.size()) != suffix)
        return false;
    fileName.remove_suffix(suffix.size());
    size_t mark = fileName.rfind(".~");
    if (mark == std::string_view::npos || mark == 0) return false;
    std::string_view rest = fileName.substr(mark + 2);
    size_t underscore = rest.find('_');
    if (underscore == std::string_view::npos) return false;
    std::string_view pidText = rest.substr(0, underscore);
    // Both numbers are 32-bit: at most ten digits.
    if (!AllDigits(pidText, 10) || !AllDigits(rest.substr(underscore + 1), 10)) return false;
    unsigned long long value = 0;
    for (char c : pidText)
        value = value * 10 + static_cast<unsigned>(c - '0');
    if (value == 0 || value > 0xFFFFFFFFull) return false;
    pid = static_cast<unsigned long>(value);
    return true;
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    const fs::path absolute = fs::absolute(fs::path(path), ec);
    if (ec) return path;
    fs::path shown;
    for (const auto& part : absolute)
        if (part != ".") shown /= part;
    return shown.string();
}

std::string LexicallyNormalPath(const std::string& path) {
    return fs::path(path).lexically_normal().string();
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool same = fs::equivalent(fs::path(a), fs::path(b), ec);
    return !ec && same;
}

FileState FileStateOf(const std::string& path) {
    FileState state;
    std::error_code ec;
    const fs::file_status own = fs::symlink_status(fs::path(path), ec);
    if (ec || !fs::exists(own)) return state;
    state.Exists = true;
    state.Regular = fs::is_regular_file(own);
    if (!state.Regular) return state;
    const std::uintmax_t size = fs::file_size(fs::path(path), ec);
    state.Size = ec ? 0 : size;
    const fs::file_time_type time = fs::last_write_time(fs::path(path), ec);
    state.Time = ec ? 0 : static_cast<std::int64_t>(time.time_since_epoch().count());
    return state;
}

bool RemoveFile(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(fs::path(path), ec))) return false;
    return fs::remove(fs::path(path), ec) && !ec;
}

std::vector<FolderEntry> ListFolder(const std::string& dir) {
    std::vector<FolderEntry> entries;
    std::error_code ec;
    fs::directory_iterator it(fs::path(dir), fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        // The types come with the listing where the system gives them; only
        // a link is looked at once more.
        std::error_code typeError;
        FolderEntry entry;
        entry.Name = it->path().filename().string();
        entry.Link = it->is_symlink(typeError);
        entry.Folder = it->is_directory(typeError);
        entry.Regular = it->is_regular_file(typeError);
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool MakeFolders(const std::string& dir, std::string& reason) {
    std::error_code ec;
    fs::create_directories(fs::path(dir), ec);
    if (DirectoryExists(dir)) return true;
    reason = (ec ? ec : std::make_error_code(std::errc::not_a_directory)).message();
    return false;
}

bool CopyNewFile(const std::string& source, const std::string& target, std::string& reason) {
    std::error_code ec;
    fs::copy_file(fs::path(source), fs::path(target), fs::copy_options::none, ec);
    if (!ec)
        fs::permissions(fs::path(target), fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::add, ec);
    if (ec) reason = ec.message();
    return !ec;
}

bool ReadFileContents(const std::string& path, std::string& data, std::string& reason) {
    errno = 0;
    std::ifstream in(fs::path(path), std::ios::binary);
    data.clear();
    if (in) data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        reason = std::generic_category().message(errno ? errno : EIO);
        return false;
    }
    return true;
}
