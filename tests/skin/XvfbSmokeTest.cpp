// A skinned window as a real SDL2 window on a virtual X server of its own:
// it appears with its frame and rounded corners, a press on its title bar
// made by xdotool drags it, a worker's message reaches it while the SDL loop
// waits, and screenshots of the window and of the whole screen are kept.
#include "SkinWindowSupport.h"
#include "TestSupport.h"
#include "platform/SdlBackend.h"
#include "skin/ZelSkinPng.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <unistd.h>

// Last: Xlib defines macros that clash with common names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef None
#undef Bool
#undef Status

using namespace platform;

namespace {

std::string FindProgram(const std::string& name) {
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

// An Xvfb on the first free display number from :91, stopped (and so
// cleaned up by itself) at the end.
class VirtualScreen {
public:
    bool Start(std::string& why) {
        std::string xvfb = FindProgram("Xvfb");
        if (xvfb.empty()) {
            why = "Xvfb is not installed (scripts/setup-deps installs it)";
            return false;
        }
        for (int n = 91; n < 140; ++n) {
            if (InUse(n)) continue;
            Display = ":" + std::to_string(n);
            FServer = std::make_unique<testsupport::Child>(testsupport::Child::Options{
                {xvfb, Display, "-screen", "0", "1280x800x24", "-br", "-nolisten", "tcp"},
                "/",
                {}});
            testsupport::WaitUntil(
                [&] { return !FServer->Running() || (FDisplay = XOpenDisplay(Display.c_str())); },
                std::chrono::seconds(20));
            if (FDisplay) return true;
            why = "Xvfb " + Display + " did not start: " + FServer->StdErr();
            Stop();
        }
        if (why.empty()) why = "no free X display number";
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

    std::string Display;

private:
    std::unique_ptr<testsupport::Child> FServer;
    ::Display* FDisplay = nullptr;

    // A display whose lock file names a live process.
    static bool InUse(int n) {
        std::ifstream lock("/tmp/.X" + std::to_string(n) + "-lock");
        if (!lock) return false;
        int pid = 0;
        lock >> pid;
        return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
    }
    void Stop() {
        if (!FServer) return;
        // Terminated, the server removes its socket and lock file.
        if (FServer->Running()) FServer->Kill(SIGTERM);
        FServer->Wait(std::chrono::seconds(20));
        FServer.reset();
    }
};

// Runs the message loop until cond holds or the bound passes.
bool PumpUntil(const std::function<bool()>& cond,
               std::chrono::seconds bound = std::chrono::seconds(20)) {
    auto end = std::chrono::steady_clock::now() + bound;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Application()->HandleMessage();
    }
    return true;
}

} // namespace

TEST(XvfbSmoke, SkinnedWindowIsDraggedByItsTitleBar) {
    VirtualScreen screen;
    std::string why;
    if (!screen.Start(why)) GTEST_SKIP() << "no X server could be started: " << why;
    std::string xdotool = FindProgram("xdotool");
    ASSERT_FALSE(xdotool.empty()) << "xdotool is not installed (scripts/setup-deps installs it)";
    ::setenv("DISPLAY", screen.Display.c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("UPDATER_HEADLESS");
    ASSERT_NE(UseSdlBackend(), nullptr) << "SDL could not open " << screen.Display;
    ASSERT_FALSE(IsHeadless());

    MainLikeWindow w;
    w.SetBounds(100, 100, w.Width(), w.Height());
    w.Show();
    ASSERT_NE(SdlWindowOf(&w), nullptr);
    const TColor32 title = WindowImage(w).Pixel(300, 10);
    const TColor32 firstRow = WindowImage(w).Pixel(1, 0);
    // Mapped, painted and opaque again after the start flash.
    ASSERT_TRUE(PumpUntil([&] {
        return !w.AlphaBlend() && screen.Capture().Pixel(100 + 300, 100 + 10) == title;
    })) << "the window did not appear on "
        << screen.Display;
    TZelSkinImage before = screen.Capture();
    EXPECT_EQ(before.Pixel(100, 100), Color32(0, 0, 0)) << "the rounded corner shows the root";
    EXPECT_EQ(before.Pixel(101, 100), firstRow);

    // A worker's message wakes the loop while it waits for SDL events.
    bool got = false;
    TWndMethod old = w.WindowProc();
    w.SetWindowProc([&](TMessage& m) {
        old(m);
        if (m.Msg == WM_USER + 1) got = true;
    });
    std::thread worker([&] { SendMessageW(w.Handle(), WM_USER + 1, 0, 0); });
    EXPECT_TRUE(PumpUntil([&] { return got; }, std::chrono::seconds(5)));
    worker.join();

    // Drag the bare title bar 100 pixels right and 60 down.
    testsupport::Child drag(
        {{xdotool, "mousemove", "400", "110", "mousedown", "1", "mousemove", "430", "130",
          "mousemove", "470", "150", "mousemove", "500", "170", "mouseup", "1"},
         "/",
         {{"DISPLAY", screen.Display}}});
    EXPECT_TRUE(PumpUntil([&] { return !drag.Running() && w.Left() == 200 && w.Top() == 160; }))
        << "window at " << w.Left() << "," << w.Top() << "; xdotool: " << drag.StdErr();
    EXPECT_FALSE(w.Tracking());
    ASSERT_TRUE(PumpUntil([&] { return screen.Capture().Pixel(200 + 300, 160 + 10) == title; }));
    TZelSkinImage after = screen.Capture();
    EXPECT_EQ(after.Pixel(105, 105), Color32(0, 0, 0)) << "the old place is bare again";

    // Screenshots for a person to look at.
    std::string dir = SKIN_TEST_OUTPUT_DIR;
    EXPECT_TRUE(SavePngToFile(after, dir + "/xvfb_screen.png"));
    EXPECT_TRUE(SavePngToFile(WindowImage(w), dir + "/xvfb_window.png"));
    w.Hide();
}
