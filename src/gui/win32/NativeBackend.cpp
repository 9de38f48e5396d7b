// The Windows build has no SDL: the back-end chooser finds no display
// back-end and falls back to the headless screen.
#include "gui/SdlBackend.h"

namespace gui {

TWindowBackend* CreateSdlBackend() {
    return nullptr;
}

} // namespace gui
