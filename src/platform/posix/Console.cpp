#include "platform/Console.h"

#include <cstdio>
#include <unistd.h>

namespace platform {

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void WriteStandardError(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace platform
