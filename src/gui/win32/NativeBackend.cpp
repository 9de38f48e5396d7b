#include "gui/WindowBackend.h"

namespace gui {

// Native windows are not there yet: every run is unattended, on the headless
// screen.
TWindowBackend* CreateNativeBackend() {
    return nullptr;
}

} // namespace gui
