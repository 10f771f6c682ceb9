#include "platform/System.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string EnvironmentVariable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string CurrentFolder() {
    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    return ec ? std::string() : current.string();
}
