// The skinned frame on the headless screen: pixels of the main window's
// title bar, strips and corners, the borderless window, the hit-test zones,
// the delayed repaint after resizing, minimise and maximise, the start
// flash, task-bar options and title-bar controls.
#include "SkinWindowSupport.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace gui;

namespace {

// Row y of the window background: the gradient from the title colour to the
// client colour over 168 rows, each channel start + (end − start)·y ÷ 168.
TColor32 MainRow(int y) {
    auto ch = [y](int s, int e) { return y >= 168 ? e : s + (e - s) * y / 168; };
    return Color32(uint8_t(ch(0, 255)), uint8_t(ch(128, 157)), uint8_t(ch(189, 157)));
}

LPARAM At(const TWindow& w, int x, int y) {
    return LParamFromPoint({w.Left() + x, w.Top() + y});
}

// A title-bar control that records what the frame gives it.
class RecordingNCControl : public TZelSkinNCControl {
public:
    TRect Rect;
    bool Inside = false;
    int Downs = 0, Ups = 0, Paints = 0;
    bool* Deleted = nullptr;
    ~RecordingNCControl() override {
        if (Deleted) *Deleted = true;
    }
    void Paint(TZelSkinImage& bar) override {
        ++Paints;
        TZelPainter(bar).FillRect(Rect, Color32(255, 0, 0));
    }
    void NCMouseMove(const TPoint& p) override { Inside = Rect.Contains(p.X, p.Y); }
    void LMouseDown(const TPoint&) override { ++Downs; }
    void LMouseUp(const TPoint&) override { ++Ups; }
    bool Visible() const override { return true; }
    bool MouseInControl() const override { return Inside; }
    TRect ControlRect() const override { return Rect; }
};

} // namespace

TEST(SkinForm, MainWindowTitleBarStripsAndCorners) {
    FakeClock clock;
    MainLikeWindow w;
    ASSERT_EQ(w.Width(), 685);
    ASSERT_EQ(w.Height(), 480);
    EXPECT_EQ(w.ClientRectInWindow(), (RECT{2, 28, 683, 478}));
    ShowSettled(w, clock);
    TZelSkinImage img = WindowImage(w);
    const int W = 685, H = 480;
    // Every row shows the same gradient: title bar, strips and bare client.
    for (int y : {0, 1, 14, 27, 28, 29, 100, 167, 168, 300, 477, 478, 479}) {
        SCOPED_TRACE(y);
        if (y > 0 && y < H - 1) {
            EXPECT_EQ(img.Pixel(0, y), MainRow(y));
            EXPECT_EQ(img.Pixel(1, y), MainRow(y));
            EXPECT_EQ(img.Pixel(W - 1, y), MainRow(y));
        }
        EXPECT_EQ(img.Pixel(W / 2, y), MainRow(y));
    }
    // A flat frame draws no lines; the corners are cut by the 4 × 4 region.
    for (auto [x, y] : {std::pair{0, 0}, {W - 1, 0}, {0, H - 1}, {W - 1, H - 1}})
        EXPECT_EQ(AlphaOf(img.Pixel(x, y)), 0) << x << "," << y;
    for (auto [x, y] : {std::pair{1, 0}, {0, 1}, {W - 2, 0}, {W - 1, H - 2}})
        EXPECT_EQ(AlphaOf(img.Pixel(x, y)), 255) << x << "," << y;
    w.Hide();
}

TEST(SkinForm, BorderlessWindowHasOnlyClientColourAndRegion) {
    FakeClock clock;
    CheckingLikeWindow w;
    EXPECT_EQ(w.Width(), 366);
    EXPECT_EQ(w.Height(), 62);
    EXPECT_EQ(w.ClientRectInWindow(), (RECT{0, 0, 366, 62}));
    ShowSettled(w, clock);
    TZelSkinImage img = WindowImage(w);
    int teal = 0;
    for (int y = 0; y < 62; ++y)
        for (int x = 0; x < 366; ++x)
            teal += img.Pixel(x, y) == Color32(0, 128, 128);
    EXPECT_EQ(teal, 366 * 62 - 4); // all but the four corner pixels
    EXPECT_EQ(AlphaOf(img.Pixel(0, 0)), 0);
    EXPECT_EQ(AlphaOf(img.Pixel(365, 61)), 0);
    // No custom hit-testing: the whole window is client.
    EXPECT_EQ(w.Perform(WM_NCHITTEST, 0, At(w, 1, 1)), HTCLIENT);
    EXPECT_EQ(w.Perform(WM_NCHITTEST, 0, At(w, 100, 5)), HTCLIENT);
    w.Hide();
}

TEST(SkinForm, HitTestZones) {
    FakeClock clock;
    MainLikeWindow w; // 685 × 480, zones 5 wide, title 28, strips 2
    struct Case {
        int x, y;
        LRESULT sizeable, maximised, fixed;
    };
    const Case cases[] = {
        {0, 0, HTTOPLEFT, HTCAPTION, HTCAPTION},     {4, 4, HTTOPLEFT, HTCAPTION, HTCAPTION},
        {5, 0, HTTOP, HTCAPTION, HTCAPTION},         {684, 0, HTTOPRIGHT, HTCAPTION, HTCAPTION},
        {684, 200, HTRIGHT, HTCLIENT, HTNOWHERE},    {684, 479, HTBOTTOMRIGHT, HTCLIENT, HTNOWHERE},
        {300, 477, HTBOTTOM, HTCLIENT, HTCLIENT},    {300, 478, HTBOTTOM, HTCLIENT, HTNOWHERE},
        {0, 479, HTBOTTOMLEFT, HTCLIENT, HTNOWHERE}, {1, 200, HTLEFT, HTCLIENT, HTNOWHERE},
        {300, 5, HTCAPTION, HTCAPTION, HTCAPTION},   {300, 27, HTCAPTION, HTCAPTION, HTCAPTION},
        {300, 28, HTCLIENT, HTCLIENT, HTCLIENT},     {5, 100, HTCLIENT, HTCLIENT, HTCLIENT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(w.Perform(WM_NCHITTEST, 0, At(w, c.x, c.y)), c.sizeable) << c.x << "," << c.y;
    w.SetBorderStyle(bsSingle);
    for (const Case& c : cases)
        EXPECT_EQ(w.Perform(WM_NCHITTEST, 0, At(w, c.x, c.y)), c.fixed) << c.x << "," << c.y;
    w.SetBorderStyle(bsSizeable);
    // Maximised: no sizing zones and no strips (frame width 0).
    w.Show();
    w.Perform(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_EQ(w.Frame.FramWidth(), 0);
    for (const Case& c : cases)
        EXPECT_EQ(w.Perform(WM_NCHITTEST, 0, At(w, c.x, c.y)), c.maximised) << c.x << "," << c.y;
    w.Hide();
}

TEST(SkinForm, FrameRepaintsFiftyMillisecondsAfterTheLastResize) {
    FakeClock clock;
    MainLikeWindow w;
    ShowSettled(w, clock);
    auto* screen = HeadlessScreen();
    w.SetBounds(w.Left(), w.Top(), 700, 500);
    Application()->ProcessMessages();
    int presents = screen->PresentCount(&w);
    EXPECT_TRUE(TimerActive(w.Handle(), 2));
    clock.Advance(30);
    w.SetBounds(w.Left(), w.Top(), 720, 500); // restarts the timer
    Application()->ProcessMessages();
    presents = screen->PresentCount(&w);
    clock.Advance(49);
    EXPECT_EQ(screen->PresentCount(&w), presents);
    clock.Advance(1);
    EXPECT_EQ(screen->PresentCount(&w), presents + 1);
    EXPECT_FALSE(TimerActive(w.Handle(), 2));
    // The new size shows the frame all the way to the new edges.
    TZelSkinImage img = WindowImage(w);
    EXPECT_EQ(img.Pixel(719, 300), MainRow(300));
    w.Hide();
}

TEST(SkinForm, StartFlashAndTaskBarOptions) {
    FakeClock clock;
    CheckingLikeWindow other;
    MainLikeWindow w;
    Application()->SetMainForm(&w);
    w.SetAlphaBlend(true);
    w.SetAlphaBlendValue(230);
    w.Show();
    // Transparent until the 30 ms timer, then its own transparency again.
    EXPECT_EQ(HeadlessScreen()->WindowOpacity(&w), 0);
    clock.Advance(29);
    EXPECT_EQ(HeadlessScreen()->WindowOpacity(&w), 0);
    clock.Advance(1);
    EXPECT_EQ(HeadlessScreen()->WindowOpacity(&w), 230);
    // The main window: a tool window without task-bar button or system menu.
    EXPECT_TRUE(w.ExStyle() & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(w.ExStyle() & WS_EX_APPWINDOW);
    EXPECT_FALSE(w.Style() & WS_SYSMENU);
    // A second window with MinimizeToTaskbar gets its own button.
    other.Frame.Options().SetMinimizeToTaskbar(true);
    ShowSettled(other, clock);
    EXPECT_TRUE(other.ExStyle() & WS_EX_APPWINDOW);
    other.Hide();
    w.Hide();
    Application()->SetMainForm(nullptr);
}

TEST(SkinForm, MinimiseAndRestoreTransparency) {
    FakeClock clock;
    MainLikeWindow w;
    w.SetAlphaBlend(true);
    w.SetAlphaBlendValue(200);
    ShowSettled(w, clock);
    w.Perform(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(HeadlessScreen()->IsWindowMinimized(&w));
    EXPECT_EQ(HeadlessScreen()->WindowOpacity(&w), 0);
    // The task bar minimising it again must not save the transparency it set.
    WINDOWPOS wp{w.Handle(),
                 0,
                 0,
                 0,
                 0,
                 0,
                 SWP_NOCOPYBITS | SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOACTIVATE};
    w.Perform(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    w.Perform(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(HeadlessScreen()->IsWindowMinimized(&w));
    EXPECT_EQ(HeadlessScreen()->WindowOpacity(&w), 200);
    EXPECT_TRUE(w.AlphaBlend());
    // One EndMinimize per BeginMinimize: a second restore changes nothing.
    w.SetAlphaBlendValue(150);
    w.Frame.Restoring();
    EXPECT_EQ(w.AlphaBlendValue(), 150);
    w.Hide();
}

TEST(SkinForm, MinimiseOfAnOpaqueWindowGivesItBackOpaque) {
    FakeClock clock;
    CheckingLikeWindow w;
    ShowSettled(w, clock);
    EXPECT_EQ(HeadlessScreen()->WindowOpacity(&w), 255);
    w.Perform(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(HeadlessScreen()->WindowOpacity(&w), 0);
    w.Perform(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_EQ(HeadlessScreen()->WindowOpacity(&w), 255);
    EXPECT_FALSE(w.AlphaBlend());
    w.Hide();
}

TEST(SkinForm, CaptionDragEdgeSizingAndSizeLimits) {
    FakeClock clock;
    MainLikeWindow w;
    ShowSettled(w, clock);
    auto* screen = HeadlessScreen();
    screen->Drag({w.Left() + 300, w.Top() + 10}, {w.Left() + 350, w.Top() + 40});
    EXPECT_EQ(w.Left(), 150);
    EXPECT_EQ(w.Top(), 130);
    // Within 5 pixels of the right edge: sizes; the minimum is 120 × (28 + 30).
    screen->Drag({w.Left() + 683, w.Top() + 200}, {w.Left() + 703, w.Top() + 200});
    EXPECT_EQ(w.Width(), 705);
    screen->Drag({w.Left() + w.Width() - 2, w.Top() + w.Height() - 2}, {w.Left(), w.Top()});
    EXPECT_EQ(w.Width(), 120);
    EXPECT_EQ(w.Height(), 58);
    w.Hide();
}

TEST(SkinForm, MaximiseDropsStripsAndSwallowsMoves) {
    FakeClock clock;
    MainLikeWindow w;
    ShowSettled(w, clock);
    // The main window has no maximise icon: a double click does nothing.
    HeadlessScreen()->DoubleClick(w.Left() + 300, w.Top() + 10);
    EXPECT_EQ(w.WindowState(), wsNormal);
    w.Perform(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Application()->ProcessMessages();
    ASSERT_EQ(w.WindowState(), wsMaximized);
    EXPECT_EQ(w.ClientRectInWindow().left, 0);
    EXPECT_EQ(w.Width(), 1280);
    EXPECT_EQ(w.Height(), 760); // the work area of the primary monitor
    EXPECT_EQ(w.WindowRgn()->Bounds(), (RECT{0, 0, 1281, 761}));
    EXPECT_TRUE(w.WindowRgn()->Contains(0, 0)); // a plain rectangle
    HeadlessScreen()->Drag({300, 10}, {400, 100});
    EXPECT_EQ(w.Left(), 0);
    EXPECT_EQ(w.Top(), 0);
    w.Perform(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_EQ(w.Frame.FramWidth(), 2);
    EXPECT_EQ(w.Width(), 685);
    EXPECT_EQ(w.ClientRectInWindow(), (RECT{2, 28, 683, 478}));
    w.Hide();
}

TEST(SkinForm, DoubleClickMaximisesWhenTheWindowHasTheIcon) {
    FakeClock clock;
    MainLikeWindow w;
    w.SetBorderIcons(biSystemMenu | biMaximize);
    // The icons count as they were when the frame was made: none here.
    ShowSettled(w, clock);
    HeadlessScreen()->DoubleClick(w.Left() + 300, w.Top() + 10);
    EXPECT_EQ(w.WindowState(), wsNormal);
    w.Hide();

    struct Settings : TWindow {
        Settings() { SetBorderIcons(biSystemMenu | biMaximize); }
    };
    struct WithMaximise : Settings {
        TZelSkinForm Frame{this};
    } m;
    m.SetBounds(50, 50, 300, 200);
    ShowSettled(m, clock);
    HeadlessScreen()->DoubleClick(m.Left() + 100, m.Top() + 10);
    EXPECT_EQ(m.WindowState(), wsMaximized);
    HeadlessScreen()->DoubleClick(100, 10);
    EXPECT_EQ(m.WindowState(), wsNormal);
    m.Hide();
}

TEST(SkinForm, TitleBarControlsTakePressesAndAreFreedOnRemoval) {
    FakeClock clock;
    MainLikeWindow w;
    ShowSettled(w, clock);
    bool deleted = false;
    auto* c = new RecordingNCControl;
    c->Rect = {645, 0, 684, 19};
    c->Deleted = &deleted;
    PostMessageW(w.Handle(), ZM_ADDNCCTRL, reinterpret_cast<WPARAM>(c), 0);
    Application()->ProcessMessages();
    ASSERT_EQ(w.Frame.NCControls().size(), 1u);
    EXPECT_TRUE(c->Hooked());
    EXPECT_EQ(c->ParentFrame(), &w.Frame);
    EXPECT_GT(c->Paints, 0);
    EXPECT_EQ(WindowImage(w).Pixel(660, 10), Color32(255, 0, 0));
    // The native hit test answers "normal" over the control, caption elsewhere.
    EXPECT_EQ(w.NativeHitTest({w.Left() + 660, w.Top() + 10}), HTCLIENT);
    EXPECT_EQ(w.NativeHitTest({w.Left() + 300, w.Top() + 10}), HTCAPTION);
    // A press on the control goes to it and does not move the window.
    int left = w.Left();
    HeadlessScreen()->Click(w.Left() + 660, w.Top() + 10);
    EXPECT_EQ(c->Downs, 1);
    EXPECT_EQ(c->Ups, 1);
    HeadlessScreen()->Drag({w.Left() + 660, w.Top() + 10}, {w.Left() + 600, w.Top() + 20});
    EXPECT_EQ(c->Downs, 2);
    EXPECT_EQ(c->Ups, 1); // released outside it
    EXPECT_EQ(w.Left(), left);
    SendMessageW(w.Handle(), ZM_REMOVENCCTRL, reinterpret_cast<WPARAM>(c), 0);
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(w.Frame.NCControls().empty());
    w.Hide();
}

TEST(SkinForm, HelperFindsTheFrameOfAWindow) {
    MainLikeWindow w;
    EXPECT_EQ(TZelFormSkinHelper::FindSkinForm(&w), &w.Frame);
    TWindow plain;
    EXPECT_EQ(TZelFormSkinHelper::FindSkinForm(&plain), nullptr);
    {
        TZelSkinForm temp(&plain);
        EXPECT_EQ(TZelFormSkinHelper::FindSkinForm(&plain), &temp);
    }
    EXPECT_EQ(TZelFormSkinHelper::FindSkinForm(&plain), nullptr);
    // The replaced procedure is back: no frame layout any more.
    plain.RecalcNonClient();
    EXPECT_EQ(plain.ClientRectInWindow(), (RECT{0, 0, plain.Width(), plain.Height()}));
}

TEST(SkinForm, SkinChangeRebuildsTheBackgroundOnceAfterTheChangeBracket) {
    FakeClock clock;
    CheckingLikeWindow w;
    ShowSettled(w, clock);
    int changed = 0;
    w.Frame.Changed = [&](void*) { ++changed; };
    w.Frame.BeginChange();
    w.Frame.SetColor(clNavy);
    w.Frame.SetTitlerColor(clNavy);
    EXPECT_EQ(changed, 0);
    w.Frame.EndChange();
    EXPECT_EQ(changed, 1);
    // The colours are taken over when the background is built again.
    Application()->ProcessMessages();
    EXPECT_EQ(WindowImage(w).Pixel(100, 30), Color32(0, 128, 128));
    w.Frame.RefreshSkin();
    Application()->ProcessMessages();
    EXPECT_EQ(WindowImage(w).Pixel(100, 30), Color32(clNavy));
    EXPECT_EQ(w.Frame.ClientBackColor(), clNavy);
    w.Hide();
}
