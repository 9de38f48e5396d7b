#include "platform/Paths.h"

#include <cerrno>
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

} // namespace platform
