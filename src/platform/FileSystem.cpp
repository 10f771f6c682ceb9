#include "platform/FileSystem.h"

#include <filesystem>

std::string FullPathName(const std::string& path) {
    std::error_code ec;
    auto full = std::filesystem::absolute(std::filesystem::path(path), ec);
    if (ec) return path;
    return full.lexically_normal().string();
}
