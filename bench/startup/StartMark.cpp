// The application in the start-up benchmark: writes the moment it started
// (nanoseconds of the steady clock) to the file BENCH_START_MARK names.
#include <chrono>
#include <cstdlib>
#include <fstream>

int main() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    if (const char* file = std::getenv("BENCH_START_MARK"))
        std::ofstream(file, std::ios::app)
            << std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() << "\n";
    return 0;
}
