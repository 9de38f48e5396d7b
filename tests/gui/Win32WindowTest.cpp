// The Win32 back-end with real windows (under Wine on a virtual X screen):
// what the system makes of a window's styles, bounds, region and opacity,
// presented pixels, the hit test, input through the system's queue, a worker
// waking the loop, minimise and close from the system, the clipboard and
// the monitors.
#include "TestSupport.h"
#include "Win32Inspect.h"
#include "gui/Application.h"
#include "gui/Controls.h"
#include "gui/WindowBackend.h"
#include "platform/MainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace gui;

namespace {

bool Pump(const std::function<bool()>& done) {
    return testsupport::WaitUntil([&] {
        Application()->ProcessMessages();
        return done();
    });
}

// Fills its client area and counts clicks.
class Probe : public TControl {
public:
    Probe(TControl* parent, uint32_t color) : TControl(parent), FColor(color) {}
    int Clicks = 0;
    int DoubleClicks = 0;
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_PAINT) DCFillRect(DCFromWParam(m.WParam), ClientRect(), FColor);
        if (m.Msg == WM_LBUTTONUP) ++Clicks;
        if (m.Msg == WM_LBUTTONDBLCLK) ++DoubleClicks;
        TControl::WndProc(m);
    }

private:
    uint32_t FColor;
};

// A 20-pixel caption strip, sizing corner at the bottom right, a probe
// filling the client area.
class Framed : public TWindow {
public:
    Probe* Body;
    Framed() {
        SetBorderStyle(bsNone);
        SetColor(0xFF00FF00);
        SetBounds(200, 150, 240, 160);
        Body = new Probe(this, 0xFFFF0000);
        Body->SetBounds(10, 10, 100, 60);
    }
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_NCCALCSIZE && m.WParam) {
            reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0].top += 20;
            return;
        }
        if (m.Msg == WM_NCHITTEST) {
            POINT s = PointFromLParam(m.LParam);
            int x = s.x - Left(), y = s.y - Top();
            m.Result = x >= Width() - 4 && y >= Height() - 4 ? HTBOTTOMRIGHT
                       : y < 20                              ? HTCAPTION
                                                             : HTCLIENT;
            return;
        }
        TWindow::WndProc(m);
    }
};

class Win32Windows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_STREQ(WindowBackend()->Name(), "win32")
            << "no native windows: run under scripts/wine-x11";
    }
    // Shown and composed once.
    void ShowAndPaint(TWindow& w) {
        w.Show();
        ASSERT_TRUE(Pump([&] { return inspect::IsVisible(w.Peer()) && !w.NeedsPaint(); }));
    }
};

TEST_F(Win32Windows, AWindowBecomesABorderlessPopupWithItsStylesAndFollowsItsBounds) {
    Framed w;
    w.SetExStyle(w.ExStyle() | WS_EX_TOOLWINDOW);
    w.SetTopmost(true);
    ShowAndPaint(w);
    void* hwnd = w.Peer();
    EXPECT_TRUE(inspect::IsPopup(hwnd));
    EXPECT_TRUE(inspect::IsToolWindow(hwnd));
    EXPECT_TRUE(inspect::IsTopmost(hwnd));
    EXPECT_EQ(inspect::WindowRect(hwnd), (inspect::Rect{200, 150, 440, 310}));

    w.SetBounds(300, 200, 260, 180);
    EXPECT_EQ(inspect::WindowRect(hwnd), (inspect::Rect{300, 200, 560, 380}));
    w.SetTopmost(false);
    EXPECT_FALSE(inspect::IsTopmost(hwnd));
    w.Hide();
    EXPECT_FALSE(inspect::IsVisible(hwnd));
}

TEST_F(Win32Windows, PresentedPixelsAreWhatTheWindowShows) {
    Framed w;
    ShowAndPaint(w);
    // The probe at client (10, 10) below the 20-pixel caption; the window
    // colour around it.
    EXPECT_TRUE(Pump([&] { return inspect::PixelAt(w.Peer(), 30, 50) == 0xFF0000; }))
        << std::hex << inspect::PixelAt(w.Peer(), 30, 50);
    EXPECT_EQ(inspect::PixelAt(w.Peer(), 200, 120), 0x00FF00u);
}

TEST_F(Win32Windows, TheSkinsHitTestAnswersTheSystem) {
    Framed w;
    ShowAndPaint(w);
    struct Case {
        int x, y;
        intptr_t expected;
    } cases[] = {{100, 5, HTCAPTION}, {100, 80, HTCLIENT}, {238, 158, HTBOTTOMRIGHT}};
    for (const Case& c : cases)
        EXPECT_EQ(inspect::HitTest(w.Peer(), w.Left() + c.x, w.Top() + c.y), c.expected)
            << c.x << "," << c.y;
}

TEST_F(Win32Windows, ClicksThroughTheSystemsQueueReachTheControlUnderThem) {
    Framed w;
    ShowAndPaint(w);
    inspect::ClickAt(w.Left() + 40, w.Top() + 50);
    ASSERT_TRUE(Pump([&] { return w.Body->Clicks == 1; }));
    // A press on the caption goes to the system, not to the control.
    inspect::ClickAt(w.Left() + 40, w.Top() + 5);
    inspect::ClickAt(w.Left() + 60, w.Top() + 60);
    ASSERT_TRUE(Pump([&] { return w.Body->Clicks == 2; }));
    EXPECT_EQ(w.Body->DoubleClicks, 0);
}

// The close question of the main window opens from a button's release,
// while the clicked window still holds the mouse.
TEST_F(Win32Windows, AModalWindowOpenedByAClickGetsTheNextClick) {
    Framed w;
    ShowAndPaint(w);
    Framed box;
    box.SetBounds(500, 400, 240, 160);
    std::atomic<int> boxClicks{-1};
    TWndMethod old = w.Body->WindowProc();
    w.Body->SetWindowProc([&](TMessage& m) {
        old(m);
        if (m.Msg != WM_LBUTTONUP || boxClicks >= 0) return;
        boxClicks = 0;
        TWndMethod boxOld = box.Body->WindowProc();
        box.Body->SetWindowProc([&](TMessage& bm) {
            boxOld(bm);
            if (bm.Msg == WM_LBUTTONUP) {
                ++boxClicks;
                box.SetModalResult(mrOk);
            }
        });
        // Clicks the box until it answers; runs inside the box's own loop.
        std::thread clicker([&] {
            for (int i = 0; i < 50 && boxClicks == 0; ++i) {
                inspect::ClickAt(box.Left() + 40, box.Top() + 50);
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
            // Never reached: the box closes unanswered and the test fails.
            if (boxClicks == 0) platform::PostToMainThread([&] { box.SetModalResult(mrCancel); });
        });
        box.ShowModal();
        clicker.join();
    });
    inspect::ClickAt(w.Left() + 40, w.Top() + 50);
    ASSERT_TRUE(Pump([&] { return boxClicks != -1; }));
    EXPECT_GE(boxClicks, 1);
    EXPECT_EQ(box.ModalResult(), mrOk);
}

TEST_F(Win32Windows, RegionAndOpacityReachTheNativeWindow) {
    Framed w;
    TRegion round = CreateRoundRectRgn(0, 0, 240, 160, 10, 10);
    w.SetWindowRgn(&round);
    w.SetAlphaBlend(true);
    w.SetAlphaBlendValue(128);
    ShowAndPaint(w);
    inspect::Rect box;
    ASSERT_TRUE(inspect::RegionBox(w.Peer(), box));
    const RECT bounds = round.Bounds();
    EXPECT_EQ(box, (inspect::Rect{bounds.left, bounds.top, bounds.right, bounds.bottom}));
    uint8_t alpha = 0;
    ASSERT_TRUE(inspect::LayeredAlpha(w.Peer(), alpha));
    EXPECT_EQ(alpha, 128);

    w.SetWindowRgn(nullptr);
    w.SetAlphaBlend(false);
    EXPECT_FALSE(inspect::RegionBox(w.Peer(), box));
    EXPECT_FALSE(inspect::LayeredAlpha(w.Peer(), alpha));
}

TEST_F(Win32Windows, MinimiseAndCloseFromTheSystemReachTheWindow) {
    Framed w;
    bool asked = false;
    w.OnCloseQuery = [&](TWindow*, bool& canClose) {
        asked = true;
        canClose = true;
    };
    ShowAndPaint(w);
    inspect::MinimizeNatively(w.Peer());
    ASSERT_TRUE(Pump([&] { return w.WindowState() == wsMinimized; }));
    w.Perform(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(inspect::IsIconic(w.Peer()));
    EXPECT_EQ(w.WindowState(), wsNormal);

    inspect::PostClose(w.Peer());
    ASSERT_TRUE(Pump([&] { return !w.Visible(); }));
    EXPECT_TRUE(asked);
}

TEST_F(Win32Windows, AWorkerCallEndsTheLoopsWait) {
    Framed w;
    ShowAndPaint(w);
    std::atomic<bool> ran{false};
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        platform::PostToMainThread([&] { ran = true; });
    });
    const auto start = std::chrono::steady_clock::now();
    // The wait ends for the call, long before its time-out.
    while (!ran && std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
        WindowBackend()->WaitEvents(20000);
        Application()->ProcessMessages();
    }
    worker.join();
    EXPECT_TRUE(ran);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
}

TEST_F(Win32Windows, TheClipboardCarriesUnicodeText) {
    const std::string text = "更新 ✓ \xF0\x9D\x84\x9E line\r\nnext";
    WindowBackend()->SetClipboardText(text);
    EXPECT_EQ(WindowBackend()->ClipboardText(), text);
    EXPECT_EQ(inspect::ClipboardUnicodeText(), text);
}

TEST_F(Win32Windows, MonitorAndWorkAreaAreTheScreens) {
    const RECT near{10, 10, 50, 50};
    EXPECT_EQ(WindowBackend()->MonitorRect(near), (RECT{0, 0, 1280, 800}));
    const RECT work = WindowBackend()->WorkArea(near);
    EXPECT_FALSE(work.IsEmpty());
    EXPECT_GE(work.left, 0);
    EXPECT_LE(work.bottom, 800);
    EXPECT_TRUE(WindowBackend()->IsPrimaryMonitor(near));
}

} // namespace
