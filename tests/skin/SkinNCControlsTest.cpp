// Title-bar controls on the main window's frame: the caption label and the
// close button where the main window puts them, the button's frames through
// press, release and the close command, leaving the window, the maximise
// kind, dragging by the caption, registration and lifetimes, hints, groups
// and cursors.
#include "SkinWindowSupport.h"
#include "skin/ZelSkinNCControls.h"

#include <gtest/gtest.h>

#include <optional>

using namespace platform;
using namespace gui;

namespace {

// Row y of the main window's title bar (the gradient over 168 rows).
TColor32 MainRow(int y) {
    auto ch = [y](int s, int e) { return y >= 168 ? e : s + (e - s) * y / 168; };
    return Color32(uint8_t(ch(0, 255)), uint8_t(ch(128, 157)), uint8_t(ch(189, 157)));
}

// The main window's title bar: the caption label and the close button.
struct MainTitleWindow : MainLikeWindow {
    TZelSkinNCLabel Label{this};
    TZelSkinSystemButton Close{this};
    MainTitleWindow() {
        SetCaption("发现新的升级文件");
        Label.SetCaption("发现新的升级文件");
        Label.SetFont(TZelFont("宋体", 14, clWhite));
        Label.Pos().SetAlign(caLeft);
        Label.Pos().SetXValue(8);
        Label.Pos().SetYValue(6);
        Label.Pos().SetUseDefault(false);
        Close.Pos().SetAlign(caRight);
        Close.Pos().SetXValue(40);
        Close.Pos().SetYValue(-1);
        Close.Pos().SetUseDefault(true);
        TPngPictures& p = Close.Picture();
        p.SetActive(true);
        p.SetImage("ZelSkinBtn_close");
        p.SetCount(3);
        p.SetNormal(0);
        p.SetHot(1);
        p.SetPressed(2);
        p.SetDisable(0);
    }
};

// A point of the window in screen coordinates.
POINT At(const TWindow& w, int x, int y) {
    return {w.Left() + x, w.Top() + y};
}

// Whether the window shows frame `index` of the picture at the control's
// place, blended over the title bar's gradient (rows inside the window).
bool ShowsFrame(const TZelSkinImage& window, const TZelSkinNCCtrlBase& c, const char* image,
                int index) {
    TPngPictures pics;
    pics.SetImage(image);
    pics.SetCount(3);
    auto frame = pics.GetFrame(index);
    const TRect r = c.ControlRect();
    if (!frame || r.Width() != frame->Width() || r.Height() != frame->Height()) return false;
    for (int y = std::max(0, r.Top); y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (window.Pixel(x, y) != BlendPixel(MainRow(y), frame->Pixel(x - r.Left, y - r.Top)))
                return false;
    return true;
}

TZelSkinImage Shown(TWindow& w) {
    Application()->ProcessMessages();
    return WindowImage(w);
}

} // namespace

TEST(SkinNCControls, MainWindowTitleBar) {
    FakeClock clock;
    MainTitleWindow w;
    ShowSettled(w, clock);
    ASSERT_TRUE(w.Label.Hooked());
    ASSERT_TRUE(w.Close.Hooked());
    ASSERT_EQ(w.Frame.NCControls().size(), 2u);
    const int W = w.Width();
    // The close button: one frame of "ZelSkinBtn_close", 40 from the right,
    // one pixel above the top.
    EXPECT_EQ(w.Close.ControlRect(), TRect::Bounds(W - 40, -1, 39, 19));
    TZelSkinImage img = Shown(w);
    EXPECT_TRUE(ShowsFrame(img, w.Close, "ZelSkinBtn_close", 0));
    // The label at (8, 6), as large as its caption in 14-pixel 宋体 (eight
    // characters of 14 pixels; the line's height is the font's, 14 where the
    // face keeps to its em square as SimSun does).
    const TRect label = w.Label.ControlRect();
    EXPECT_EQ(label.Left, 8);
    EXPECT_EQ(label.Top, 6);
    EXPECT_EQ(label.Height(), GetFontMetrics(TZelFont("宋体", 14)).Height);
    EXPECT_EQ(label.Width(), 8 * 14);
    // White text with a near-white halo around it, and nothing outside.
    auto count = [&](const TZelSkinImage& shot, int* white) {
        int changed = 0;
        *white = 0;
        for (int y = 0; y < 28; ++y)
            for (int x = 0; x < 200; ++x) {
                TColor32 c = shot.Pixel(x, y);
                if (AlphaOf(c) != 255 || c == MainRow(y)) continue; // corners, bare bar
                EXPECT_TRUE(label.Contains(x, y)) << x << "," << y;
                ++changed;
                *white += c == Color32(255, 255, 255);
            }
        return changed;
    };
    int white = 0, plainWhite = 0;
    const int withHalo = count(img, &white);
    EXPECT_GT(white, 50);
    w.Label.Light().SetActive(false);
    const int plain = count(Shown(w), &plainWhite);
    EXPECT_GT(withHalo, plain + 50);
    w.Hide();
}

TEST(SkinNCControls, CloseButtonFramesThroughPressReleaseAndTheCloseCommand) {
    FakeClock clock;
    MainTitleWindow w;
    ShowSettled(w, clock);
    // What the window shows when the close command reaches it.
    std::optional<TZelSkinImage> atClose;
    TWndMethod old = w.WindowProc();
    w.SetWindowProc([&](TMessage& m) {
        if (m.Msg == WM_SYSCOMMAND && (m.WParam & 0xFFF0) == SC_CLOSE) atClose = WindowImage(w);
        old(m);
    });
    auto* screen = HeadlessScreen();
    const POINT p = At(w, w.Width() - 40 + 19, 8);
    screen->MouseMove(p.x, p.y);
    EXPECT_EQ(w.Close.State(), bsHot);
    EXPECT_TRUE(ShowsFrame(Shown(w), w.Close, "ZelSkinBtn_close", 1));
    screen->MouseDown(p.x, p.y);
    EXPECT_EQ(w.Close.State(), bsPressed);
    EXPECT_TRUE(ShowsFrame(Shown(w), w.Close, "ZelSkinBtn_close", 2));
    EXPECT_FALSE(atClose);
    screen->MouseUp(p.x, p.y);
    ASSERT_TRUE(atClose);
    EXPECT_TRUE(ShowsFrame(*atClose, w.Close, "ZelSkinBtn_close", 1));
    EXPECT_FALSE(w.Showing());
    EXPECT_FALSE(screen->IsWindowShown(&w));
    w.SetWindowProc(old);
}

TEST(SkinNCControls, PressingAndReleasingOffTheButtonDoesNotClose) {
    FakeClock clock;
    MainTitleWindow w;
    ShowSettled(w, clock);
    auto* screen = HeadlessScreen();
    screen->Drag(At(w, w.Width() - 20, 8), At(w, w.Width() - 80, 8), 3);
    EXPECT_TRUE(w.Showing());
    EXPECT_EQ(w.Close.State(), bsNormal);
    w.Hide();
}

TEST(SkinNCControls, LeavingTheButtonEndsItsHotLookWithin100Milliseconds) {
    FakeClock clock;
    MainTitleWindow w;
    ShowSettled(w, clock);
    auto* screen = HeadlessScreen();
    const POINT over = At(w, w.Width() - 40 + 19, 8);
    struct Case {
        const char* where;
        POINT to;
    };
    // Out of the window to the right, and down into the client area: the
    // frame hears no title-bar move in either case.
    for (const Case& c : {Case{"out of the window", At(w, w.Width() + 30, 8)},
                          Case{"into the client area", At(w, w.Width() - 20, 200)}}) {
        SCOPED_TRACE(c.where);
        screen->MouseMove(over.x, over.y);
        ASSERT_EQ(w.Close.State(), bsHot);
        screen->MouseMove(c.to.x, c.to.y);
        EXPECT_EQ(w.Close.State(), bsHot);
        clock.Advance(100);
        EXPECT_EQ(w.Close.State(), bsNormal);
        EXPECT_FALSE(w.Close.MouseInControl());
        EXPECT_TRUE(ShowsFrame(Shown(w), w.Close, "ZelSkinBtn_close", 0));
    }
    w.Hide();
}

TEST(SkinNCControls, MaximiseKindShowsTheRestoreImageWhileMaximised) {
    FakeClock clock;
    MainLikeWindow w;
    TZelSkinSystemButton max(&w);
    max.SetKind(bkMaximize);
    ShowSettled(w, clock);
    EXPECT_EQ(max.Picture().Image(), "ZelSkinBtn_max");
    EXPECT_EQ(max.Pos().XValue(), 68);
    EXPECT_EQ(max.ControlRect(), TRect::Bounds(w.Width() - 68, -1, 28, 19));
    EXPECT_TRUE(ShowsFrame(Shown(w), max, "ZelSkinBtn_max", 0));
    // Its click maximises: the restore image, one pixel up and left of
    // the position set (68, -1).
    POINT p = At(w, w.Width() - 68 + 14, 8);
    HeadlessScreen()->Click(p.x, p.y);
    ASSERT_EQ(w.WindowState(), wsMaximized);
    TZelSkinImage img = Shown(w);
    EXPECT_EQ(max.Picture().Image(), "ZelSkinBtn_restore");
    EXPECT_EQ(max.Pos().XValue(), 67);
    EXPECT_EQ(max.Pos().YValue(), -2);
    EXPECT_EQ(max.ControlRect(), TRect::Bounds(w.Width() - 67, -2, 28, 19));
    HeadlessScreen()->MouseMove(300, 10); // off the button: its normal frame
    EXPECT_TRUE(ShowsFrame(Shown(w), max, "ZelSkinBtn_restore", 0));
    // Clicked again it restores.
    p = {w.Width() - 67 + 14, 8};
    HeadlessScreen()->Click(p.x, p.y);
    ASSERT_EQ(w.WindowState(), wsNormal);
    const POINT bare = At(w, 300, 10);
    HeadlessScreen()->MouseMove(bare.x, bare.y);
    EXPECT_TRUE(ShowsFrame(Shown(w), max, "ZelSkinBtn_max", 0));
    EXPECT_EQ(max.Pos().XValue(), 68);
    EXPECT_EQ(max.Pos().YValue(), -1);
    w.Hide();
}

TEST(SkinNCControls, KindsTakeTheirDefaultPlacesOnlyWithUseDefault) {
    MainLikeWindow w;
    TZelSkinSystemButton b(&w);
    struct Case {
        TSystemButtonKind kind;
        const char* image;
        int x;
    };
    for (Case c : {Case{bkMinimize, "ZelSkinBtn_mini", 96},
                   {bkMaximize, "ZelSkinBtn_max", 68},
                   {bkClose, "ZelSkinBtn_close", 40}}) {
        b.SetKind(c.kind);
        EXPECT_EQ(b.Picture().Image(), c.image);
        EXPECT_EQ(b.Pos().XValue(), c.x);
        EXPECT_EQ(b.Pos().YValue(), -1);
        EXPECT_EQ(b.Pos().Align(), caRight);
    }
    EXPECT_EQ(b.Pos().Width(), 39);
    b.SetKind(bkMinimize);
    EXPECT_EQ(b.Pos().Width(), 28);
    EXPECT_EQ(b.Pos().Height(), 19);
    // Placed by hand: a kind change changes only the image.
    b.Pos().SetUseDefault(false);
    b.Pos().SetAlign(caLeft);
    b.Pos().SetXValue(200);
    b.SetKind(bkClose);
    EXPECT_EQ(b.Picture().Image(), "ZelSkinBtn_close");
    EXPECT_EQ(b.Pos().XValue(), 200);
    EXPECT_EQ(b.Pos().Align(), caLeft);
    // Any other picture goes back to the kind's.
    b.Picture().SetImage("ZelSkinBtn_mini");
    EXPECT_EQ(b.Picture().Image(), "ZelSkinBtn_close");
}

TEST(SkinNCControls, PressingTheCaptionLabelMovesTheWindow) {
    FakeClock clock;
    for (bool capture : {true, false}) {
        SCOPED_TRACE(capture);
        MainTitleWindow w;
        w.Label.SetCaptureMouse(capture);
        int downs = 0;
        w.Label.OnLMouseDown = [&](void*) { ++downs; };
        ShowSettled(w, clock);
        const int left = w.Left(), top = w.Top();
        HeadlessScreen()->Drag(At(w, 20, 12), At(w, 70, 42));
        EXPECT_EQ(downs, 1);
        EXPECT_EQ(w.Left(), capture ? left + 50 : left);
        EXPECT_EQ(w.Top(), capture ? top + 30 : top);
        EXPECT_FALSE(w.Tracking());
        w.Hide();
    }
}

TEST(SkinNCControls, RegistrationRetriesAndLifetimes) {
    FakeClock clock;
    struct Plain : MainLikeSettings {};
    Plain plain;
    plain.SetBounds(50, 50, 300, 200);
    // No frame yet: the message finds nobody and the timer tries again.
    auto* label = new TZelSkinNCLabel(&plain);
    EXPECT_EQ(label->Caption(), plain.Caption());
    Application()->ProcessMessages();
    EXPECT_FALSE(label->Hooked());
    {
        TZelSkinForm frame(&plain);
        clock.Advance(100);
        EXPECT_TRUE(label->Hooked());
        EXPECT_EQ(label->ParentFrame(), &frame);
        ASSERT_EQ(frame.NCControls().size(), 1u);
        // A control that ends before the frame leaves its list.
        {
            TZelSkinSystemButton button(&plain);
            Application()->ProcessMessages();
            EXPECT_EQ(frame.NCControls().size(), 2u);
        }
        EXPECT_EQ(frame.NCControls().size(), 1u);
        // One that ends before its registration message never registers.
        delete new TZelSkinSystemButton(&plain);
        Application()->ProcessMessages();
        EXPECT_EQ(frame.NCControls().size(), 1u);
        // RemoveSelf: the frame frees it.
        auto* extra = new TZelSkinSystemButton(&plain);
        Application()->ProcessMessages();
        EXPECT_EQ(frame.NCControls().size(), 2u);
        extra->RemoveSelf();
        EXPECT_EQ(frame.NCControls().size(), 1u);
    }
    // The frame ended first: the control knows, and can still be removed.
    EXPECT_FALSE(label->Hooked());
    EXPECT_EQ(label->ParentFrame(), nullptr);
    label->RemoveSelf();
    // A label without a window is called "NCLabel".
    TZelSkinNCLabel orphan(nullptr);
    EXPECT_EQ(orphan.Caption(), "NCLabel");
}

TEST(SkinNCControls, HintNearTheCursorWhileOverTheControl) {
    FakeClock clock;
    MainTitleWindow w;
    w.Close.SetHint("关闭");
    ShowSettled(w, clock);
    auto* screen = HeadlessScreen();
    const POINT p = At(w, w.Width() - 30, 5);
    screen->MouseMove(p.x, p.y);
    TZelHintWindow* hint = w.Close.HintWindow();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(screen->IsWindowShown(hint));
    const TSize text = TextExtent(hint->Font(), "关闭");
    EXPECT_EQ(hint->BoundsRect(),
              (RECT{p.x + 16, p.y + 16, p.x + 16 + text.cx + 8, p.y + 16 + text.cy + 18}));
    EXPECT_EQ(hint->Caption(), "关闭");
    screen->MouseMove(p.x - 100, p.y);
    EXPECT_FALSE(screen->IsWindowShown(hint));
    w.Hide();
}

TEST(SkinNCControls, PictureButtonsGroupsToggleCaptionAndCursor) {
    FakeClock clock;
    MainLikeWindow w;
    TZelSkinCustomNCButton a(&w), b(&w), toggle(&w), text(&w);
    int clicks = 0;
    for (auto [btn, x] : {std::pair{&a, 300}, {&b, 330}, {&toggle, 360}}) {
        btn->Picture().SetActive(true);
        btn->Picture().SetImage("ZelSkinBtn_mini");
        btn->Pos().SetXValue(x);
        btn->OnClick = [&](void*) { ++clicks; };
    }
    EXPECT_EQ(a.Pos().Width(), 28); // one frame
    a.SetGroupIndex(1);
    b.SetGroupIndex(1);
    toggle.SetAllowAllUp(true);
    toggle.SetCursor(crHandPoint);
    text.SetCaption("帮助");
    text.Pos().SetXValue(100);
    text.Pos().SetWidth(5);
    text.Pos().SetHeight(5);
    ShowSettled(w, clock);
    auto* screen = HeadlessScreen();
    auto click = [&](int x) {
        POINT p = At(w, x + 10, 8);
        screen->Click(p.x, p.y);
    };
    click(300);
    EXPECT_TRUE(a.Down());
    click(330);
    EXPECT_TRUE(b.Down());
    EXPECT_FALSE(a.Down());
    EXPECT_EQ(a.State(), bsNormal);
    click(360);
    EXPECT_TRUE(toggle.Down());
    click(360);
    EXPECT_FALSE(toggle.Down());
    EXPECT_EQ(clicks, 4);
    // A disabled button takes the press without a click.
    a.SetEnabled(false);
    click(300);
    EXPECT_EQ(clicks, 4);
    EXPECT_EQ(a.State(), bsNormal);
    // Its own cursor while the mouse is over it; the frame keeps it.
    POINT over = At(w, 370, 8);
    screen->MouseMove(over.x, over.y);
    screen->MouseMove(over.x + 1, over.y);
    EXPECT_EQ(screen->Cursor(), crHandPoint);
    screen->MouseMove(over.x - 200, over.y);
    EXPECT_EQ(screen->Cursor(), crDefault);
    // The caption makes the button as large as itself.
    Shown(w);
    const TSize size = TextExtent(text.Font(), "帮助");
    EXPECT_EQ(text.Pos().Width(), size.cx);
    EXPECT_EQ(text.Pos().Height(), size.cy);
    w.Hide();
}
