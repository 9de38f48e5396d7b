#include "platform/Clock.h"

#include <chrono>

namespace platform {
uint64_t GetTickCount64() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
uint32_t GetTickCount() {
    return static_cast<uint32_t>(GetTickCount64());
}
int64_t UnixTime() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}
} // namespace platform
