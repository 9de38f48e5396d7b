// Writes what an X display shows (the whole screen, or one window given by
// its id) to a PNG file: the demo's and the end-to-end tests' screenshots.
//
//   xshot <out.png> [window id]
#include "skin/ZelSkinImage.h"
#include "skin/ZelSkinPng.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: xshot <out.png> [window id]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "xshot: cannot open the display\n");
        return 1;
    }
    Window root = DefaultRootWindow(display);
    int x = 0, y = 0;
    unsigned width = 0, height = 0;
    XWindowAttributes attrs;
    XGetWindowAttributes(display, root, &attrs);
    width = unsigned(attrs.width);
    height = unsigned(attrs.height);
    if (argc > 2) {
        Window window = Window(std::strtoul(argv[2], nullptr, 0));
        XWindowAttributes wa;
        Window child;
        if (!XGetWindowAttributes(display, window, &wa) ||
            !XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child)) {
            std::fprintf(stderr, "xshot: no window %s\n", argv[2]);
            return 1;
        }
        width = unsigned(wa.width);
        height = unsigned(wa.height);
    }
    // Taken from the screen, so what overlaps the window shows as it does.
    XImage* image = XGetImage(display, root, x, y, width, height, AllPlanes, ZPixmap);
    if (!image) {
        std::fprintf(stderr, "xshot: cannot read the screen\n");
        return 1;
    }
    TZelSkinImage out;
    out.SetSize(int(width), int(height));
    for (unsigned row = 0; row < height; ++row)
        for (unsigned col = 0; col < width; ++col) {
            unsigned long p = XGetPixel(image, int(col), int(row));
            out.SetPixel(int(col), int(row),
                         Color32(uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255));
        }
    XDestroyImage(image);
    XCloseDisplay(display);
    std::string error;
    if (!SavePngToFile(out, argv[1], &error)) {
        std::fprintf(stderr, "xshot: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
