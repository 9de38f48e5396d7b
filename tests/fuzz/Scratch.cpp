#include "FuzzTargets.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

namespace fuzz {
namespace {

struct Folders {
    std::map<std::string, std::string> paths;
    ~Folders() {
        std::error_code ignored;
        for (const auto& [name, path] : paths)
            std::filesystem::remove_all(path, ignored);
    }
};

} // namespace

const std::string& ScratchFolder(const std::string& name) {
    static Folders folders;
    auto it = folders.paths.find(name);
    if (it != folders.paths.end()) return it->second;
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("updater-fuzz-" + name + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed: " + pattern);
    return folders.paths.emplace(name, pattern + "/").first->second;
}

} // namespace fuzz
