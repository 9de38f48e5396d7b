#include "platform/MessageBox.h"

#include <cstdlib>

namespace platform {

bool DisplayAvailable() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return !set("UPDATER_HEADLESS") && (set("DISPLAY") || set("WAYLAND_DISPLAY"));
}

MessageResult ShowSystemMessageBox(const MessageBoxRequest& request) {
    return WriteMessageBoxLine(request);
}

} // namespace platform
