#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {

namespace {

// Names are UTF-8 inside; the path type takes them as such on every system.
fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& path) {
    std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

} // namespace

TempDir::TempDir(const std::string& prefix) {
    static std::mt19937_64 random{std::random_device{}()};
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / PathOf(prefix + "-" + std::to_string(random() % 1000000000));
        if (fs::create_directory(candidate)) {
            FPath = Utf8Of(candidate) + "/";
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(PathOf(FPath), ec);
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream f(PathOf(path), std::ios::binary | std::ios::trunc);
    if (!f) throw std::runtime_error("cannot write " + path);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(PathOf(path), std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool Exists(const std::string& path) {
    return fs::exists(PathOf(path));
}

void MakeDirs(const std::string& path) {
    fs::create_directories(PathOf(path));
}

void CopyExecutable(const std::string& from, const std::string& to) {
    fs::copy_file(PathOf(from), PathOf(to), fs::copy_options::overwrite_existing);
    fs::permissions(PathOf(to), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
}

bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds bound) {
    auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (cond()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::optional<std::string>
RunForOutput(const std::vector<std::string>& argv,
             const std::map<std::string, std::optional<std::string>>& env,
             std::chrono::milliseconds bound) {
    Child child({argv, "", env});
    auto code = child.Wait(bound);
    if (!code || *code != 0) return std::nullopt;
    return child.StdOut();
}

} // namespace testsupport
