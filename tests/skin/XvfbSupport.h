#pragma once
// A virtual X server of the test's own (and, when asked, a window manager on
// it) for the real-window tests, with a capture of its screen.
#include "TestSupport.h"
#include "gui/Controls.h"
#include "skin/ZelSkinImage.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

// Last: Xlib defines macros that clash with common names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef None
#undef Bool
#undef Status

inline std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

// An Xvfb on a free display number, stopped (and so cleaned up by itself) at
// the end.
class VirtualScreen {
public:
    bool Start(std::string& why) {
        std::string xvfb = FindProgram("Xvfb");
        if (xvfb.empty()) {
            why = "Xvfb is not installed (scripts/setup-deps installs it)";
            return false;
        }
        // The server picks a free display itself and writes its number to
        // standard error (-displayfd 2), so parallel tests never collide.
        FServer = std::make_unique<testsupport::Child>(testsupport::Child::Options{
            {xvfb, "-displayfd", "2", "-screen", "0", "1280x800x24", "-br", "-nolisten", "tcp"},
            "/",
            {}});
        int number = -1;
        testsupport::WaitUntil(
            [&] { return !FServer->Running() || (number = DisplayNumber(FServer->StdErr())) >= 0; },
            std::chrono::seconds(20));
        if (number >= 0) {
            Display = ":" + std::to_string(number);
            FDisplay = XOpenDisplay(Display.c_str());
            if (FDisplay) return true;
        }
        why = "Xvfb did not start: " + FServer->StdErr();
        Stop();
        return false;
    }
    ~VirtualScreen() {
        if (FDisplay) XCloseDisplay(FDisplay);
        Stop();
    }

    // The root window's pixels as an image.
    TZelSkinImage Capture() {
        ::Window root = DefaultRootWindow(FDisplay);
        XWindowAttributes a;
        XGetWindowAttributes(FDisplay, root, &a);
        XImage* xi = XGetImage(FDisplay, root, 0, 0, unsigned(a.width), unsigned(a.height),
                               AllPlanes, ZPixmap);
        TZelSkinImage img(a.width, a.height);
        if (!xi) return img;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x)
                img.SetPixel(x, y, 0xFF000000u | uint32_t(XGetPixel(xi, x, y) & 0xFFFFFF));
        XDestroyImage(xi);
        return img;
    }

    // Starts openbox and waits until it offers moving windows for clients
    // (_NET_WM_MOVERESIZE); false with the reason when it does not.
    bool StartWindowManager(std::string& why) {
        std::string openbox = FindProgram("openbox");
        if (openbox.empty()) {
            why = "openbox is not installed (scripts/setup-deps installs it)";
            return false;
        }
        // Advertising its features comes before openbox manages windows: a
        // window shown too early is never mapped (and SDL waits for that for
        // ever). A probe window mapped in time proves it is ready; otherwise
        // openbox is started again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            FWindowManager = std::make_unique<testsupport::Child>(testsupport::Child::Options{
                {openbox, "--sm-disable", "--startup", "/bin/true"}, "/", {{"DISPLAY", Display}}});
            if (testsupport::WaitUntil(
                    [&] { return !FWindowManager->Running() || OffersMoveResize(); },
                    std::chrono::seconds(20)) &&
                FWindowManager->Running() && ManagesWindows())
                return true;
            why = "openbox did not start: " + FWindowManager->StdErr();
            FWindowManager.reset();
        }
        return false;
    }

    // Maps a small window and waits for the window manager to let it appear.
    bool ManagesWindows() {
        ::Window root = DefaultRootWindow(FDisplay);
        ::Window probe = XCreateSimpleWindow(FDisplay, root, 0, 0, 10, 10, 0, 0, 0);
        XSelectInput(FDisplay, probe, StructureNotifyMask);
        XMapWindow(FDisplay, probe);
        XFlush(FDisplay);
        XEvent e;
        bool mapped = testsupport::WaitUntil(
            [&] { return XCheckTypedWindowEvent(FDisplay, probe, MapNotify, &e) != 0; },
            std::chrono::seconds(5));
        XDestroyWindow(FDisplay, probe);
        XSync(FDisplay, 0);
        return mapped;
    }

    // The values of a window property of 32-bit items; empty when absent.
    std::vector<unsigned long> Property(unsigned long window, const char* name) {
        std::vector<unsigned long> out;
        Atom atom = XInternAtom(FDisplay, name, False);
        Atom type;
        int format;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(FDisplay, window, atom, 0, 1024, False, AnyPropertyType, &type,
                               &format, &count, &after, &data) == Success &&
            data) {
            if (format == 32)
                for (unsigned long i = 0; i < count; ++i)
                    out.push_back(reinterpret_cast<unsigned long*>(data)[i]);
            XFree(data);
        }
        return out;
    }
    unsigned long AtomOf(const char* name) { return XInternAtom(FDisplay, name, False); }

    std::string Display;

private:
    std::unique_ptr<testsupport::Child> FServer;
    std::unique_ptr<testsupport::Child> FWindowManager;
    ::Display* FDisplay = nullptr;

    bool OffersMoveResize() {
        Atom supported = XInternAtom(FDisplay, "_NET_SUPPORTED", False);
        Atom moveResize = XInternAtom(FDisplay, "_NET_WM_MOVERESIZE", False);
        Atom type;
        int format;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        bool found = false;
        if (XGetWindowProperty(FDisplay, DefaultRootWindow(FDisplay), supported, 0, 4096, False,
                               XA_ATOM, &type, &format, &count, &after, &data) == Success &&
            data) {
            for (unsigned long i = 0; i < count; ++i)
                if (reinterpret_cast<Atom*>(data)[i] == moveResize) found = true;
            XFree(data);
        }
        return found;
    }

    // The line of digits among the server's messages.
    static int DisplayNumber(const std::string& err) {
        size_t start = 0;
        while (start < err.size()) {
            size_t end = err.find('\n', start);
            if (end == std::string::npos) return -1; // not complete yet
            std::string line = err.substr(start, end - start);
            if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
                return std::stoi(line);
            start = end + 1;
        }
        return -1;
    }
    void Stop() {
        if (FWindowManager && FWindowManager->Running()) {
            FWindowManager->Kill(SIGTERM);
            FWindowManager->Wait(std::chrono::seconds(20));
        }
        FWindowManager.reset();
        if (!FServer) return;
        // Terminated, the server removes its socket and lock file.
        if (FServer->Running()) FServer->Kill(SIGTERM);
        FServer->Wait(std::chrono::seconds(20));
        FServer.reset();
    }
};

// Runs the message loop until cond holds or the bound passes.
inline bool PumpUntil(const std::function<bool()>& cond,
                      std::chrono::seconds bound = std::chrono::seconds(20)) {
    auto end = std::chrono::steady_clock::now() + bound;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return false;
        gui::Application()->HandleMessage();
    }
    return true;
}
