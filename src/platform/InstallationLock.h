#pragma once
// One updater at a time per installation: two would write the same
// temporary files and version.ini over each other. The lock belongs to the
// process and ends with it, however it ends; programs it starts do not
// inherit it.
#include <chrono>
#include <memory>
#include <string>

namespace platform {

class TInstallationLock {
public:
    // The installation's folder; nothing is taken yet.
    explicit TInstallationLock(const std::string& folder);
    ~TInstallationLock(); // releases the lock when held
    TInstallationLock(const TInstallationLock&) = delete;
    TInstallationLock& operator=(const TInstallationLock&) = delete;

    // Takes the lock, waiting up to `limit` while another process holds it.
    // False when it is still held then (or the folder cannot be locked).
    bool Acquire(std::chrono::milliseconds limit);
    bool Held() const { return FHeld; }

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
    bool FHeld = false;
};

} // namespace platform
