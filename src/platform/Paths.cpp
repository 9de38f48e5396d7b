#include "platform/Paths.h"

#include <algorithm>

namespace platform {

namespace {
std::string& FolderOverride() {
    static auto* folder = new std::string();
    return *folder;
}
} // namespace

void OverrideExecutableFolder(const std::string& folder) {
    FolderOverride() = folder;
}

std::string ExecutableFolder() {
    const std::string& forced = FolderOverride();
    return forced.empty() ? ExtractFilePath(ExecutablePath()) : forced;
}

static size_t LastDelim(const std::string& path) {
    return path.find_last_of("\\/");
}

std::string ExtractFileName(const std::string& path) {
    size_t p = LastDelim(path);
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFilePath(const std::string& path) {
    size_t p = LastDelim(path);
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string NativePath(const std::string& path) {
    // Windows takes both separators but reports its own; names compare and
    // print alike when they are made native everywhere.
    constexpr char kOther = kPathDelim == '\\' ? '/' : '\\';
    std::string out = path;
    std::replace(out.begin(), out.end(), kOther, kPathDelim);
    return out;
}

} // namespace platform
