// The close button of a skinned window as a real SDL window on a virtual X
// server: xdotool points at it (it turns red on the screen) and clicks it,
// and the window goes away.
#include "SkinWindowSupport.h"
#include "gui/sdl/SdlBackend.h"
#include "skin/ZelSkinNCControls.h"
#include "skin/ZelSkinPng.h"

#include <gtest/gtest.h>

// After the toolkit: Xlib's headers define XValue and YValue as macros.
#include "XvfbSupport.h"
#undef XValue
#undef YValue

using namespace platform;
using namespace gui;

namespace {

struct TitledWindow : MainLikeWindow {
    TZelSkinNCLabel Label{this};
    TZelSkinSystemButton Close{this};
    TitledWindow() {
        Label.SetCaption("发现新的升级文件");
        Label.SetFont(TZelFont("宋体", 14, clWhite));
        Label.Pos().SetXValue(8);
        Label.Pos().SetYValue(6);
        Close.Picture().SetCount(3);
    }
};

void Xdotool(const std::string& program, const std::string& display,
             std::vector<std::string> args) {
    args.insert(args.begin(), program);
    testsupport::Child c({args, "/", {{"DISPLAY", display}}});
    PumpUntil([&] { return !c.Running(); });
}

} // namespace

TEST(XvfbCloseButton, ClickingTheCloseButtonClosesTheWindow) {
    VirtualScreen screen;
    std::string why;
    if (!screen.Start(why)) GTEST_SKIP() << "no X server could be started: " << why;
    std::string xdotool = FindProgram("xdotool");
    ASSERT_FALSE(xdotool.empty()) << "xdotool is not installed (scripts/setup-deps installs it)";
    ::setenv("DISPLAY", screen.Display.c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("UPDATER_HEADLESS");
    ASSERT_NE(UseNativeBackend(), nullptr) << "SDL could not open " << screen.Display;

    TitledWindow w;
    w.SetBounds(100, 100, w.Width(), w.Height());
    w.Show();
    const TColor32 title = WindowImage(w).Pixel(300, 10);
    ASSERT_TRUE(PumpUntil([&] {
        return w.Close.Hooked() && !w.AlphaBlend() &&
               screen.Capture().Pixel(100 + 300, 100 + 10) == title;
    })) << "the window did not appear";

    // Over the button: its hot frame, red, on the screen.
    const TRect r = w.Close.ControlRect();
    // Beside the cross, below the 5-pixel sizing zone of the top edge.
    const int bx = w.Left() + r.Left + 3, by = w.Top() + 8;
    const TColor32 bare = screen.Capture().Pixel(bx, by);
    Xdotool(xdotool, screen.Display, {"mousemove", std::to_string(bx), std::to_string(by)});
    ASSERT_TRUE(PumpUntil([&] { return w.Close.State() == bsHot; }));
    ASSERT_TRUE(PumpUntil([&] { return screen.Capture().Pixel(bx, by) == Color32(232, 17, 35); }))
        << "the hot frame did not show; before it was " << std::hex << bare;
    std::string dir = SKIN_TEST_OUTPUT_DIR;
    EXPECT_TRUE(SavePngToFile(screen.Capture(), dir + "/xvfb_close_hot.png"));

    // The click closes the window: it is hidden and the screen is bare there.
    Xdotool(xdotool, screen.Display, {"click", "1"});
    EXPECT_TRUE(PumpUntil([&] { return !w.Showing(); }));
    EXPECT_TRUE(PumpUntil([&] {
        TZelSkinImage shot = screen.Capture();
        return shot.Pixel(100 + 300, 100 + 10) == Color32(0, 0, 0) &&
               shot.Pixel(bx, by) == Color32(0, 0, 0);
    })) << "the window is still on the screen";
}
