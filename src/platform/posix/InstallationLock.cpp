#include "platform/InstallationLock.h"

#include "platform/Paths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace platform {

// A lock on the folder itself: no file of ours appears in the installation,
// and the system drops it when the process ends.
struct TInstallationLock::Impl {
    int fd = -1;
};

TInstallationLock::TInstallationLock(const std::string& folder) : FImpl(std::make_unique<Impl>()) {
    FImpl->fd = ::open(NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

TInstallationLock::~TInstallationLock() {
    if (FImpl->fd >= 0) ::close(FImpl->fd);
}

bool TInstallationLock::Acquire(std::chrono::milliseconds limit) {
    if (FHeld) return true;
    if (FImpl->fd < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (::flock(FImpl->fd, LOCK_EX | LOCK_NB) == 0) return FHeld = true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace platform
