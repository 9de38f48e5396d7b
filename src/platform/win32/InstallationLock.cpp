#include "platform/InstallationLock.h"

#include "platform/Text.h"
#include "platform/win32/Windows.h"

#include <cstdio>

namespace platform {

// A named mutex per installation folder: no file of ours appears there, a
// process that ends abandons it to the next, and a handle is inherited by
// no program we start.
struct TInstallationLock::Impl {
    HANDLE mutex = nullptr;
};

namespace {

// Mutex names allow no backslashes: the folder goes in as a digest of its
// letter-case-blind full path.
std::wstring MutexName(const std::string& folder) {
    std::wstring full(MAX_PATH * 4, L'\0');
    const std::wstring wide = win32::WidePath(folder);
    DWORD n =
        ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    full.resize(n > 0 && n < full.size() ? n : 0);
    if (full.empty()) full = wide;
    while (!full.empty() && (full.back() == L'\\' || full.back() == L'/'))
        full.pop_back();
    uint64_t hash = 1469598103934665603ull; // FNV-1a
    for (char c : LowerCase(win32::Narrow(full))) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    wchar_t name[64];
    std::swprintf(name, 64, L"Local\\VarnokeUpdater-%016llx",
                  static_cast<unsigned long long>(hash));
    return name;
}

} // namespace

TInstallationLock::TInstallationLock(const std::string& folder) : FImpl(std::make_unique<Impl>()) {
    FImpl->mutex = ::CreateMutexW(nullptr, FALSE, MutexName(folder).c_str());
}

TInstallationLock::~TInstallationLock() {
    if (!FImpl->mutex) return;
    if (FHeld) ::ReleaseMutex(FImpl->mutex);
    ::CloseHandle(FImpl->mutex);
}

bool TInstallationLock::Acquire(std::chrono::milliseconds limit) {
    if (FHeld) return true;
    if (!FImpl->mutex) return false;
    const DWORD result = ::WaitForSingleObject(FImpl->mutex, static_cast<DWORD>(limit.count()));
    // Abandoned: its last owner ended without releasing it, which is no
    // reason to wait.
    return FHeld = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

} // namespace platform
