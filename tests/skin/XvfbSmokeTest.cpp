// A skinned window as a real SDL2 window on a virtual X server of its own,
// without a window manager: it appears with its frame and rounded corners, a
// press on its title bar made by xdotool drags it (the window follows the
// mouse itself), a worker's message reaches it while the SDL loop waits, and
// screenshots of the window and of the whole screen are kept.
#include "SkinWindowSupport.h"
#include "XvfbSupport.h"
#include "gui/sdl/SdlBackend.h"
#include "skin/ZelSkinControls.h"
#include "skin/ZelSkinPng.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <gtest/gtest.h>

#include <thread>

using namespace platform;
using namespace gui;

TEST(XvfbSmoke, SkinnedWindowIsDraggedByItsTitleBar) {
    VirtualScreen screen;
    std::string why;
    if (!screen.Start(why)) GTEST_SKIP() << "no X server could be started: " << why;
    std::string xdotool = FindProgram("xdotool");
    ASSERT_FALSE(xdotool.empty()) << "xdotool is not installed (scripts/setup-deps installs it)";
    ::setenv("DISPLAY", screen.Display.c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("UPDATER_HEADLESS");
    ASSERT_NE(UseNativeBackend(), nullptr) << "SDL could not open " << screen.Display;
    ASSERT_FALSE(IsHeadless());
    ASSERT_FALSE(SdlNativeMoveResize());

    MainLikeWindow w;
    w.SetBounds(100, 100, w.Width(), w.Height());
    TZelSkinPanel panel(&w);
    panel.SetBounds(20, 200, 300, 60);
    TZelSkinLabel label(&panel);
    label.SetFont(TZelFont("宋体", 14, clBlack));
    label.SetCaption("正在检需要更新的文件,请稍后...");
    label.SetBounds(12, 20, label.Width(), label.Height());
    w.SetTopmost(true);
    Application()->SetMainForm(&w);
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

    // The task-bar option and topmost reach the X window.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(static_cast<SDL_Window*>(SdlWindowOf(&w)), &info));
    unsigned long xid = info.info.x11.window;
    auto state = screen.Property(xid, "_NET_WM_STATE");
    auto has = [&](const char* atom) {
        return std::find(state.begin(), state.end(), screen.AtomOf(atom)) != state.end();
    };
    EXPECT_TRUE(has("_NET_WM_STATE_SKIP_TASKBAR"));
    EXPECT_TRUE(has("_NET_WM_STATE_ABOVE"));
    // Minimised, the window is fully transparent; restored, opaque again.
    auto opacity = [&] {
        auto v = screen.Property(xid, "_NET_WM_WINDOW_OPACITY");
        return v.empty() ? 0xFFFFFFFFul : (v[0] & 0xFFFFFFFFul);
    };
    // The property is set through the updater's own connection; this one
    // sees it once the server has handled that request.
    EXPECT_EQ(opacity(), 0xFFFFFFFFul);
    w.Perform(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(PumpUntil([&] { return opacity() == 0ul; })) << opacity();
    w.Perform(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(PumpUntil([&] { return opacity() == 0xFFFFFFFFul; })) << opacity();
    ASSERT_TRUE(PumpUntil([&] { return screen.Capture().Pixel(100 + 300, 100 + 10) == title; }));

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
    EXPECT_TRUE(PumpUntil([&] {
        return !drag.Running() && !w.Tracking() && w.Left() == 200 && w.Top() == 160;
    })) << "window at "
        << w.Left() << "," << w.Top() << "; xdotool: " << drag.StdErr();
    ASSERT_TRUE(PumpUntil([&] { return screen.Capture().Pixel(200 + 300, 160 + 10) == title; }));
    TZelSkinImage after = screen.Capture();
    EXPECT_EQ(after.Pixel(105, 105), Color32(0, 0, 0)) << "the old place is bare again";

    // Drag the right edge 40 pixels out: the window grows and paints its new part.
    testsupport::Child size({{xdotool, "mousemove", "883", "400", "mousedown", "1", "mousemove",
                              "903", "400", "mousemove", "923", "400", "mouseup", "1"},
                             "/",
                             {{"DISPLAY", screen.Display}}});
    EXPECT_TRUE(PumpUntil([&] { return !size.Running() && !w.Tracking() && w.Width() == 725; }))
        << "width " << w.Width() << "; xdotool: " << size.StdErr();
    const TColor32 client = WindowImage(w).Pixel(300, 400);
    EXPECT_TRUE(PumpUntil([&] {
        TZelSkinImage shot = screen.Capture();
        return shot.Pixel(200 + 723, 160 + 400) == client &&
               shot.Pixel(200 + 725, 160 + 400) == Color32(0, 0, 0);
    }));

    // Screenshots for a person to look at.
    std::string dir = SKIN_TEST_OUTPUT_DIR;
    EXPECT_TRUE(SavePngToFile(screen.Capture(), dir + "/xvfb_screen.png"));
    EXPECT_TRUE(SavePngToFile(WindowImage(w), dir + "/xvfb_window.png"));
    w.Hide();
    Application()->SetMainForm(nullptr);
}
