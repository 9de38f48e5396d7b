#pragma once
// The SDL2 back-end: each window a borderless native window; our hit test
// drives caption dragging and edge sizing, XShape (on X11) gives the region.
#include "gui/WindowBackend.h"

namespace gui {

// None when SDL's video cannot start.
TWindowBackend* CreateSdlBackend();

// Whether the window manager moves and sizes windows for a hit test (an
// EWMH manager that supports _NET_WM_MOVERESIZE); without one the windows
// track the mouse themselves.
bool SdlNativeMoveResize();

// The native window of a shown window (an SDL_Window*), or none.
void* SdlWindowOf(TWindow* window);

} // namespace gui
