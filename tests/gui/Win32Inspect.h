#pragma once
// What the system itself says about a native window, and input as the
// system delivers it, in plain types: <windows.h> and the toolkit's headers
// do not meet in one file.
#include <cstdint>
#include <string>

namespace inspect {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

bool IsVisible(void* hwnd);
bool IsIconic(void* hwnd);
bool IsPopup(void* hwnd);
bool IsToolWindow(void* hwnd);
bool IsTopmost(void* hwnd);
Rect WindowRect(void* hwnd);
// The region's bounding box; false when the window has none.
bool RegionBox(void* hwnd, Rect& box);
// The layered-window alpha; false when the window is not layered.
bool LayeredAlpha(void* hwnd, uint8_t& alpha);
// The colour (0xRRGGBB) the window shows at a window point.
uint32_t PixelAt(void* hwnd, int x, int y);
// WM_NCHITTEST at a screen point.
intptr_t HitTest(void* hwnd, int x, int y);
// A left click at a screen point through the system's input queue.
void ClickAt(int x, int y);
void PostClose(void* hwnd);
void MinimizeNatively(void* hwnd);
std::string ClipboardUnicodeText();

} // namespace inspect
