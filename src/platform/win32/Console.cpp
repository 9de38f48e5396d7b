#include "platform/Console.h"

#include "platform/win32/Windows.h"

#include <algorithm>
#include <cstdio>

namespace platform {
namespace {

bool IsConsole(HANDLE h) {
    DWORD mode = 0;
    return h != nullptr && h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode);
}

} // namespace

bool StandardErrorIsTerminal() {
    return IsConsole(::GetStdHandle(STD_ERROR_HANDLE));
}

void WriteStandardError(const std::string& text) {
    // What the C library holds goes first, so that the order stays.
    std::fflush(stderr);
    HANDLE h = ::GetStdHandle(STD_ERROR_HANDLE);
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return; // a GUI program without one
    if (IsConsole(h)) {
        // A console shows UTF-16 whatever its code page; the bytes would be
        // read in the console's code page instead.
        const std::wstring wide = win32::Wide(text);
        size_t done = 0;
        while (done < wide.size()) {
            DWORD n = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 16384));
            if (!::WriteConsoleW(h, wide.data() + done, chunk, &n, nullptr) || n == 0) return;
            done += n;
        }
        return;
    }
    // A pipe or a file receives the UTF-8 bytes as they are.
    size_t done = 0;
    while (done < text.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1 << 20));
        if (!::WriteFile(h, text.data() + done, chunk, &n, nullptr) || n == 0) return;
        done += n;
    }
}

} // namespace platform
