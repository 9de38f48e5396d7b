#include "platform/Paths.h"

#include "platform/win32/Windows.h"

#include <vector>

namespace platform {

std::string ExecutablePath() {
    // The name may be longer than MAX_PATH: the buffer grows until it fits.
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) throw std::system_error(win32::LastError(), "GetModuleFileNameW");
        if (n < buf.size()) return win32::Narrow(std::wstring_view(buf.data(), n));
        buf.resize(buf.size() * 2);
    }
}

} // namespace platform
