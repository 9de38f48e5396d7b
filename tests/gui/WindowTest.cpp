// The windowing layer on the headless back-end: message procedures and their
// chaining, send/post from workers during a modal loop, timers on a fake
// clock, composition order and clipping, mouse routing with capture and
// hover, emulated caption drag and edge sizing, focus and dialog keys.
#include "gui/Controls.h"
#include "gui/HeadlessBackend.h"
#include "gui/Timers.h"
#include "platform/MainThread.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace gui;
using namespace platform;

namespace {

THeadlessBackend* Screen() {
    static THeadlessBackend* b = UseHeadlessBackend(1280, 800);
    return b;
}

struct FakeClock {
    uint64_t now = 1000;
    FakeClock() {
        SetTimerClock([this] { return now; });
    }
    ~FakeClock() { SetTimerClock(nullptr); }
    void Advance(uint64_t ms) {
        now += ms;
        Application()->ProcessMessages();
    }
};

// A control that fills its client area and records the messages it gets.
class Probe : public TControl {
public:
    Probe(TControl* parent, uint32_t color) : TControl(parent), FColor(color) {}
    std::vector<UINT> Got;
    void WndProc(TMessage& m) override {
        Got.push_back(m.Msg);
        if (m.Msg == WM_PAINT) DCFillRect(DCFromWParam(m.WParam), ClientRect(), FColor);
        TControl::WndProc(m);
    }
    int Count(UINT msg) const { return int(std::count(Got.begin(), Got.end(), msg)); }

private:
    uint32_t FColor;
};

// A window with a 20-pixel caption strip at the top, sizeable edges of 4.
class FramedWindow : public TWindow {
public:
    FramedWindow() {
        SetBorderStyle(bsSizeable);
        SetBounds(100, 100, 200, 150);
    }
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_NCCALCSIZE && m.WParam) {
            auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam);
            p->rgrc[0].top += 20;
            return;
        }
        if (m.Msg == WM_NCHITTEST) {
            POINT s = PointFromLParam(m.LParam);
            int x = s.x - Left(), y = s.y - Top();
            if (x >= Width() - 4 && y >= Height() - 4)
                m.Result = HTBOTTOMRIGHT;
            else if (y < 20)
                m.Result = HTCAPTION;
            else
                m.Result = HTCLIENT;
            return;
        }
        if (m.Msg == WM_GETMINMAXINFO) {
            reinterpret_cast<MINMAXINFO*>(m.LParam)->ptMinTrackSize = {120, 60};
        }
        TWindow::WndProc(m);
    }
};

} // namespace

TEST(Window, HookChainsTheReplacedProcedure) {
    Screen();
    TWindow w;
    std::vector<std::string> order;
    TWndMethod old = w.WindowProc();
    w.SetWindowProc([&](TMessage& m) {
        if (m.Msg == WM_USER + 7) order.push_back("hook");
        old(m);
        if (m.Msg == WM_USER + 7) m.Result = 42;
    });
    EXPECT_EQ(SendMessageW(w.Handle(), WM_USER + 7, 0, 0), 42);
    EXPECT_EQ(order, std::vector<std::string>{"hook"});
    // Putting the stored procedure back removes the hook.
    w.SetWindowProc(old);
    EXPECT_EQ(w.Perform(WM_USER + 7), 0);
}

TEST(Window, WorkerSendArrivesDuringModalLoop) {
    Screen();
    TWindow w;
    std::atomic<bool> handled{false};
    TWndMethod old = w.WindowProc();
    w.SetWindowProc([&](TMessage& m) {
        old(m);
        if (m.Msg == WM_USER + 1) {
            handled = true;
            w.SetModalResult(mrOk);
            m.Result = 7;
        }
    });
    LRESULT answer = 0;
    std::thread worker([&] { answer = SendMessageW(w.Handle(), WM_USER + 1, 0, 0); });
    EXPECT_EQ(w.ShowModal(), mrOk);
    worker.join();
    EXPECT_TRUE(handled);
    EXPECT_EQ(answer, 7);
    EXPECT_FALSE(w.Showing());
}

TEST(Window, CloseEndsModalLoopWithCancel) {
    Screen();
    TWindow w;
    PostMessageW(w.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(w.ShowModal(), mrCancel);
}

TEST(Window, TimersFireByIdOnTheFakeClock) {
    Screen();
    FakeClock clock;
    Probe p(nullptr, 0);
    std::vector<WPARAM> fired;
    TWndMethod old = p.WindowProc();
    p.SetWindowProc([&](TMessage& m) {
        if (m.Msg == WM_TIMER) fired.push_back(m.WParam);
        old(m);
    });
    p.SetTimer(2, 50);
    p.SetTimer(3, 30);
    clock.Advance(29);
    EXPECT_TRUE(fired.empty());
    clock.Advance(1);
    EXPECT_EQ(fired, std::vector<WPARAM>{3});
    p.KillTimer(3);
    // Restarting a timer moves its due time.
    clock.Advance(10);
    p.SetTimer(2, 50);
    clock.Advance(49);
    EXPECT_EQ(fired, std::vector<WPARAM>{3});
    clock.Advance(1);
    EXPECT_EQ(fired, (std::vector<WPARAM>{3, 2}));
    p.KillTimer(2);
    clock.Advance(500);
    EXPECT_EQ(fired.size(), 2u);
}

TEST(Window, ComposesParentBeforeChildClippedToParent) {
    Screen();
    FramedWindow w;
    w.SetColor(0xFF0000FF);
    Probe panel(&w, 0xFF00FF00);
    panel.SetBounds(10, 10, 50, 40);
    Probe child(&panel, 0xFFFF0000);
    child.SetBounds(40, 30, 30, 30); // sticks out of the panel
    w.Show();
    Application()->ProcessMessages();
    const TSurface& s = w.Surface();
    // Client starts 20 pixels down; the window colour shows around the panel.
    EXPECT_EQ(s.Pixel(5, 25), 0xFF0000FFu);
    EXPECT_EQ(s.Pixel(15, 35), 0xFF00FF00u);
    EXPECT_EQ(s.Pixel(55, 65), 0xFFFF0000u);
    // Outside the panel the child is clipped away.
    EXPECT_EQ(s.Pixel(65, 65), 0xFF0000FFu);
    EXPECT_LT(std::find(panel.Got.begin(), panel.Got.end(), WM_PAINT) - panel.Got.begin(),
              panel.Got.end() - panel.Got.begin());
    w.Hide();
}

TEST(Window, RegionCutsTheScreenImageAndHitTesting) {
    auto* screen = Screen();
    TWindow w;
    w.SetBorderStyle(bsNone);
    w.SetBounds(300, 300, 40, 30);
    w.SetColor(0xFF123456);
    TRegion r = CreateRoundRectRgn(0, 0, 41, 31, 4, 4);
    w.SetWindowRgn(&r);
    w.Show();
    Application()->ProcessMessages();
    TSurface img = screen->ScreenImage();
    EXPECT_EQ(img.Pixel(300, 300), 0xFF000000u); // corner cut: the screen shows
    EXPECT_EQ(img.Pixel(301, 300), 0xFF123456u);
    EXPECT_EQ(img.Pixel(339, 329), 0xFF000000u);
    EXPECT_EQ(img.Pixel(338, 329), 0xFF123456u);
    EXPECT_EQ(WindowFromPoint({300, 300}), nullptr);
    EXPECT_EQ(WindowFromPoint({310, 310}), &w);
    w.Hide();
}

TEST(Window, MouseGoesToControlWithCaptureAndHover) {
    auto* screen = Screen();
    FramedWindow w;
    Probe a(&w, 0xFF000000), b(&w, 0xFFFFFFFF);
    a.SetBounds(0, 0, 50, 50);
    b.SetBounds(60, 0, 50, 50);
    w.Show();
    Application()->ProcessMessages();
    POINT origin = w.ClientToScreen({0, 0});
    screen->MouseMove(origin.x + 10, origin.y + 10);
    EXPECT_EQ(a.Count(CM_MOUSEENTER), 1);
    screen->MouseDown(origin.x + 10, origin.y + 10);
    EXPECT_TRUE(a.MouseCapture());
    // While captured, moves over b still go to a; a counts as left.
    screen->MouseMove(origin.x + 70, origin.y + 10);
    EXPECT_EQ(b.Count(WM_MOUSEMOVE), 0);
    EXPECT_EQ(a.Count(CM_MOUSELEAVE), 1);
    screen->MouseUp(origin.x + 70, origin.y + 10);
    EXPECT_EQ(a.Count(WM_LBUTTONUP), 1);
    EXPECT_FALSE(a.MouseCapture());
    screen->MouseMove(origin.x + 75, origin.y + 10);
    EXPECT_EQ(b.Count(CM_MOUSEENTER), 1);
    EXPECT_EQ(ControlFromPoint({origin.x + 75, origin.y + 10}), &b);
    EXPECT_EQ(ControlFromPoint({origin.x + 150, origin.y + 10}), &w);
    EXPECT_EQ(ControlFromPoint({origin.x + 75, origin.y - 10}), &w); // caption
    // Hiding the window ends the hover.
    w.SetVisible(false);
    EXPECT_FALSE(w.Showing());
    EXPECT_EQ(b.Count(CM_MOUSELEAVE), 1);
}

TEST(Window, CaptionDragMovesAndEdgeSizesWithinLimits) {
    auto* screen = Screen();
    FramedWindow w;
    w.Show();
    Application()->ProcessMessages();
    screen->Drag({150, 105}, {190, 145});
    EXPECT_EQ(w.Left(), 140);
    EXPECT_EQ(w.Top(), 140);
    // Bottom-right corner: grows with the mouse, stops at the minimum size.
    screen->Drag({339, 289}, {359, 299});
    EXPECT_EQ(w.Width(), 220);
    EXPECT_EQ(w.Height(), 160);
    screen->Drag({359, 299}, {200, 150});
    EXPECT_EQ(w.Width(), 120);
    EXPECT_EQ(w.Height(), 60);
    EXPECT_EQ(w.ClientHeight(), 40);
    w.Hide();
}

TEST(Window, DialogKeysAndTabFocus) {
    auto* screen = Screen();
    TWindow w;
    Probe a(&w, 0), b(&w, 0);
    a.SetTabStop(true);
    b.SetTabStop(true);
    a.SetBounds(0, 0, 10, 10);
    b.SetBounds(20, 0, 10, 10);
    bool dialogKey = false;
    TWndMethod old = b.WindowProc();
    b.SetWindowProc([&](TMessage& m) {
        old(m);
        if (m.Msg == CM_DIALOGKEY && m.WParam == VK_RETURN) {
            dialogKey = true;
            m.Result = 1;
        }
    });
    w.Show();
    Application()->ProcessMessages();
    screen->KeyPress(VK_TAB);
    EXPECT_TRUE(a.Focused());
    screen->KeyPress(VK_TAB);
    EXPECT_TRUE(b.Focused());
    EXPECT_EQ(a.Count(WM_KILLFOCUS), 1);
    a.SetFocus();
    int before = a.Count(WM_KEYDOWN);
    screen->KeyPress(VK_RETURN);
    // The focused control sees the key first; unhandled, it becomes a dialog key.
    EXPECT_EQ(a.Count(WM_KEYDOWN), before + 1);
    EXPECT_TRUE(dialogKey);
    w.Hide();
}

TEST(Window, HeadlessMessageBoxesAreRecorded) {
    auto* screen = Screen();
    screen->ClearMessageBoxes();
    ShowErrorBox("读取文件失败 : x");
    auto boxes = screen->MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "错误");
    EXPECT_EQ(boxes[0].text, "读取文件失败 : x");
}

TEST(Window, ActiveWindowIsTheInnermostModalElseTheLastShownOrClicked) {
    Screen();
    EXPECT_EQ(ActiveWindow(), nullptr);
    TWindow first, second, hint;
    first.SetBounds(100, 100, 200, 150);
    second.SetBounds(500, 100, 200, 150);
    hint.SetBounds(800, 100, 50, 20);
    hint.SetExStyle(hint.ExStyle() | WS_EX_NOACTIVATE);

    first.Show();
    second.Show();
    EXPECT_EQ(ActiveWindow(), &second);
    hint.Show(); // a hint never takes over
    EXPECT_EQ(ActiveWindow(), &second);
    Screen()->Click(150, 150);
    EXPECT_EQ(ActiveWindow(), &first);
    first.SetWindowState(wsMinimized);
    EXPECT_EQ(ActiveWindow(), &second);
    first.SetWindowState(wsNormal);

    // A modal window is the active one until its loop ends, even when
    // another window was shown after it.
    bool checked = false;
    PostToMainThread([&] {
        first.Show();
        EXPECT_EQ(ActiveWindow(), &second);
        checked = true;
        second.SetModalResult(mrOk);
    });
    second.ShowModal();
    EXPECT_TRUE(checked);
    EXPECT_EQ(ActiveWindow(), &first);
    second.Hide();
    first.Hide();
    hint.Hide();
    EXPECT_EQ(ActiveWindow(), nullptr);
}
