#include "gui/HeadlessBackend.h"
#include "platform/MessageBox.h"

namespace gui {

using namespace platform;
namespace {
TWindowBackend* gBackend = nullptr;
bool gHeadless = false;
} // namespace

TWindowBackend* WindowBackend() {
    if (!gBackend && DisplayAvailable()) gBackend = CreateNativeBackend();
    if (!gBackend) {
        gBackend = new THeadlessBackend(1280, 800);
        gHeadless = true;
    }
    return gBackend;
}

bool IsHeadless() {
    WindowBackend();
    return gHeadless;
}

THeadlessBackend* UseHeadlessBackend(int screenWidth, int screenHeight) {
    if (!gBackend) {
        gBackend = new THeadlessBackend(screenWidth, screenHeight);
        gHeadless = true;
    }
    return gHeadless ? static_cast<THeadlessBackend*>(gBackend) : nullptr;
}

TWindowBackend* UseNativeBackend() {
    if (!gBackend) gBackend = CreateNativeBackend();
    return gHeadless ? nullptr : gBackend;
}

} // namespace gui
