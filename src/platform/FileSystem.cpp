#include "platform/FileSystem.h"

#include <filesystem>

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    auto st = std::filesystem::status(std::filesystem::path(path), ec);
    return !ec && std::filesystem::exists(st) && !std::filesystem::is_directory(st);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(std::filesystem::path(path), ec);
}

std::string FullPathName(const std::string& path) {
    std::error_code ec;
    auto full = std::filesystem::absolute(std::filesystem::path(path), ec);
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
