#include "platform/Paths.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace platform {

std::string ExecutablePath() {
    std::vector<char> buf(4096);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) throw std::system_error(errno, std::generic_category(), "/proc/self/exe");
        if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

namespace {
std::string& FolderOverride() {
    static auto* folder = new std::string();
    return *folder;
}
} // namespace

void OverrideExecutableFolder(const std::string& folder) { FolderOverride() = folder; }

std::string ExecutableFolder() {
    const std::string& forced = FolderOverride();
    return forced.empty() ? ExtractFilePath(ExecutablePath()) : forced;
}

static size_t LastDelim(const std::string& path) { return path.find_last_of("\\/"); }

std::string ExtractFileName(const std::string& path) {
    size_t p = LastDelim(path);
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFilePath(const std::string& path) {
    size_t p = LastDelim(path);
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string NativePath(const std::string& path) {
    std::string out = path;
    if constexpr (kPathDelim != '\\') std::replace(out.begin(), out.end(), '\\', kPathDelim);
    return out;
}

} // namespace platform
