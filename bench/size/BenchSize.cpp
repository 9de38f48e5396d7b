// The size of the updater as a release ships it (stripped): every
// self-update downloads it. The Windows figure is printed when that build
// exists beside this one.
//
//   bench_size
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Stripped size in bytes, or -1 when the program or the tool is missing.
long long StrippedSize(const std::string& strip, const std::string& program) {
    if (!fs::exists(program)) return -1;
    const std::string out =
        (fs::temp_directory_path() / ("bench-size-" + std::to_string(getpid()))).string();
    const std::string command = strip + " -o '" + out + "' '" + program + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return -1;
    const long long size = static_cast<long long>(fs::file_size(out));
    fs::remove(out);
    return size;
}

} // namespace

int main() {
    const long long linuxSize = StrippedSize(STRIP_TOOL, UPDATER_BIN);
    const long long windowsSize = StrippedSize("x86_64-w64-mingw32-strip", WINDOWS_UPDATER_EXE);
    if (linuxSize < 0) {
        std::fprintf(stderr, "cannot strip %s\n", UPDATER_BIN);
        return 1;
    }
    std::printf("updater stripped: %.2f MB (goal 2 MB)\n", linuxSize / 1048576.0);
    if (windowsSize >= 0)
        std::printf("updater.exe stripped: %.2f MB (goal 3 MB)\n", windowsSize / 1048576.0);
    // The goal is the reference: a ratio under 1 meets it.
    std::printf("BENCH size time_ratio=n/a peak_rss_mb=n/a size_ratio=%.3f linux_mb=%.2f",
                linuxSize / (2.0 * 1048576.0), linuxSize / 1048576.0);
    if (windowsSize >= 0)
        std::printf(" windows_mb=%.2f windows_ratio=%.3f", windowsSize / 1048576.0,
                    windowsSize / (3.0 * 1048576.0));
    std::printf("\n");
    return 0;
}
