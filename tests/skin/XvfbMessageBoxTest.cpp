// The message box as the updater shows it, a real SDL window on a virtual X
// server: its Chinese text is on the screen, and xdotool's click on each
// button gives that button's answer. The screenshot is kept in the build
// folder for a person to look at.
#include "SkinWindowSupport.h"
#include "gui/sdl/SdlBackend.h"
#include "platform/MainThread.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "skin/ZelSkinDC.h"
#include "skin/ZelSkinMessageBox.h"
#include "skin/ZelSkinPng.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// After the toolkit: Xlib's headers define XValue and YValue as macros.
#include "XvfbSupport.h"
#undef XValue
#undef YValue

using namespace platform;
using namespace gui;

namespace {

const std::string kText =
    "更新程序发生错误 : 启动软件应用失败，请检查安装目录中的程序文件是否完整，"
    "或者重新安装本软件后再试一次。\n错误代码 : 0x80070002";

// What the test thread learns of the shown box from the main thread.
struct BoxOnScreen {
    bool settled = false; // shown, fully opaque, title-bar controls registered
    RECT bounds;
    TRect text; // screen coordinates
    std::vector<POINT> buttons;
    POINT probe; // a point of the title bar, and its colour there
    TColor32 probeColor = 0;
};

BoxOnScreen LookAtBox() {
    BoxOnScreen out;
    SendToMainThread([&] {
        for (TWindow* w : Application()->Windows()) {
            auto* box = dynamic_cast<TZelSkinMessageBox*>(w);
            if (!box || !box->Showing() || box->AlphaBlend() || !box->btnSysClose.Hooked())
                continue;
            out.settled = true;
            out.bounds = box->BoundsRect();
            const POINT t =
                box->pnlMessage.ClientToScreen({box->TextRect().Left, box->TextRect().Top});
            out.text = TRect::Bounds(t.x, t.y, box->TextRect().Width(), box->TextRect().Height());
            for (TZelSkinColorButton* b : box->Buttons())
                out.buttons.push_back(b->ClientToScreen({b->Width() / 2, b->Height() / 2}));
            out.probe = {box->Left() + box->Width() / 2, box->Top() + 14};
            out.probeColor = WindowImage(*box).Pixel(box->Width() / 2, 14);
        }
    });
    return out;
}

// Ends the box without a button, should the test not get to click one.
void GiveUp() {
    SendToMainThread([] {
        for (TWindow* w : Application()->Windows())
            if (auto* box = dynamic_cast<TZelSkinMessageBox*>(w); box && box->Modal())
                box->SetModalResult(mrAbort);
    });
}

int DarkPixels(const TZelSkinImage& shot, const TRect& r) {
    int n = 0;
    for (int y = std::max(0, r.Top); y < std::min(shot.Height(), r.Bottom); ++y)
        for (int x = std::max(0, r.Left); x < std::min(shot.Width(), r.Right); ++x) {
            const TColor32 p = shot.Pixel(x, y);
            n += RedOf(p) + GreenOf(p) + BlueOf(p) < 3 * 90;
        }
    return n;
}

} // namespace

// One X server for the process: the back-end is chosen once per process.
class XvfbMessageBox : public ::testing::Test {
protected:
    static VirtualScreen* Screen() {
        static auto* s = new VirtualScreen();
        return s;
    }
    static void TearDownTestSuite() { delete Screen(); }
    VirtualScreen& screen = *Screen();
    std::string xdotool = FindProgram("xdotool");

    void SetUp() override {
        static std::string why;
        static const bool started = [this] {
            if (!screen.Start(why)) return false;
            ::setenv("DISPLAY", screen.Display.c_str(), 1);
            ::unsetenv("WAYLAND_DISPLAY");
            ::unsetenv("UPDATER_HEADLESS");
            why = "SDL could not open " + screen.Display;
            return UseNativeBackend() != nullptr;
        }();
        if (!started) GTEST_SKIP() << "no X server could be started: " << why;
        ASSERT_FALSE(xdotool.empty())
            << "xdotool is not installed (scripts/setup-deps installs it)";
    }
};

TEST_F(XvfbMessageBox, TheTextShowsAndEachButtonAnswers) {
    // As the updater does when it has a display.
    InstallSkinMessageBox();

    struct Case {
        const char* button;
        MessageButtons buttons;
        size_t index;
        MessageResult answer;
    };
    const Case cases[] = {
        {"确定", MessageButtons::Ok, 0, MessageResult::Ok},
        {"是", MessageButtons::YesNo, 0, MessageResult::Yes},
        {"否", MessageButtons::YesNo, 1, MessageResult::No},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        BoxOnScreen box;
        int ink = -1;
        bool onScreen = false, clicked = false, gone = false;
        std::atomic<bool> done = false;
        std::thread tester([&] {
            // The pointer out of the way: no button is hot in the screenshot.
            testsupport::RunForOutput({xdotool, "mousemove", "0", "0"},
                                      {{"DISPLAY", screen.Display}});
            onScreen = testsupport::WaitUntil([&] {
                box = LookAtBox();
                return box.settled &&
                       screen.Capture().Pixel(box.probe.x, box.probe.y) == box.probeColor;
            });
            if (!onScreen || box.buttons.size() <= c.index) {
                GiveUp();
                done = true;
                return;
            }
            const TZelSkinImage shot = screen.Capture();
            ink = DarkPixels(shot, box.text);
            if (c.buttons == MessageButtons::YesNo && c.index == 0) {
                const RECT& b = box.bounds;
                SavePngToFile(shot.CopyRect({b.left, b.top, b.right, b.bottom}),
                              std::string(SKIN_TEST_OUTPUT_DIR) + "/xvfb_message_box.png");
            }
            const POINT p = box.buttons[c.index];
            clicked = testsupport::RunForOutput({xdotool, "mousemove", std::to_string(p.x),
                                                 std::to_string(p.y), "click", "1"},
                                                {{"DISPLAY", screen.Display}})
                          .has_value();
            // Watched on the screen: asking the main thread now would race the box's end.
            gone = testsupport::WaitUntil(
                [&] { return screen.Capture().Pixel(box.probe.x, box.probe.y) != box.probeColor; },
                std::chrono::seconds(20));
            if (!gone) GiveUp();
            done = true;
        });
        const MessageResult answer = ShowMessageBox({kText, "错误", MessageIcon::Error, c.buttons});
        // The tester still asks the main thread until it has finished.
        PumpUntil([&] { return done.load(); }, std::chrono::seconds(60));
        tester.join();
        ASSERT_TRUE(onScreen) << "the box did not appear on the screen";
        EXPECT_TRUE(clicked);
        EXPECT_TRUE(gone) << "the click did not end the box";
        // A sentence of Chinese characters leaves hundreds of dark pixels.
        EXPECT_GT(ink, 400);
        EXPECT_EQ(answer, c.answer);
    }
}

TEST_F(XvfbMessageBox, BoxesEndingWhileAWorkerPostsLeaveTheProcessRunning) {
    // As when the close question is answered while the download worker
    // reports progress: the box's window goes while calls keep arriving.
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        std::atomic<bool> done = false;
        std::atomic<int> delivered = 0;
        // Reports to the main thread all along, and clicks "是" once the box shows.
        std::thread worker([&] {
            BoxOnScreen box;
            const bool shown = testsupport::WaitUntil([&] {
                box = LookAtBox();
                return box.settled;
            });
            if (shown)
                testsupport::RunForOutput({xdotool, "mousemove", std::to_string(box.buttons[0].x),
                                           std::to_string(box.buttons[0].y), "click", "1"},
                                          {{"DISPLAY", screen.Display}});
            else
                GiveUp();
            for (int i = 0; i < 200; ++i) {
                PostToMainThread([&] { ++delivered; });
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            done = true;
        });
        EXPECT_EQ(ShowSkinMessageBox({"更新正在进行中,确定退出吗？", "提示", MessageIcon::Question,
                                      MessageButtons::YesNo}),
                  MessageResult::Yes);
        // The loop goes on without any window.
        EXPECT_TRUE(PumpUntil([&] { return done.load(); }, std::chrono::seconds(60)));
        worker.join();
        EXPECT_TRUE(PumpUntil([&] { return delivered == 200; }));
    }
}
