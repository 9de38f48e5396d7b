// Skinned buttons on the headless screen: the mouse state machine as tables
// of scripted input, the keyboard (Space, Enter, Escape, accelerators,
// Default and Cancel), the hold repeat, the drop-down area, and the colour
// face (colours, borders, rounding, caption placement).
#include "SkinWindowSupport.h"
#include "platform/MainThread.h"
#include "skin/ZelSkinButtons.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;
using namespace gui;

namespace {

constexpr TColor kWindowColor = 0x1E1EC8; // red 200, green 30, blue 30
constexpr TColor kNormal = 16757007;      // the windows' buttons
constexpr TColor kHot = 10317049;

struct FlatSettings : TWindow {
    FlatSettings() { SetBorderStyle(bsNone); }
};
// A borderless skinned window in one flat colour with one colour button.
struct ButtonWindow : FlatSettings {
    TZelSkinForm Frame{this};
    TZelSkinColorButton Button{this};
    int Clicks = 0;
    ButtonWindow() {
        Frame.SetTitlerColor(kWindowColor);
        Frame.SetColor(kWindowColor);
        SetBounds(200, 200, 400, 300);
        Button.SetBounds(100, 100, 80, 30);
        Button.SetCaption("开始更新");
        Button.SetNormalColor(kNormal);
        Button.SetHotColor(kHot);
        Button.OnClick = [this](void*) { ++Clicks; };
    }
    // A point of the button in screen coordinates.
    POINT At(int x, int y) const { return Button.ClientToScreen({x, y}); }
};

TColor32 Shown(const TWindow& w, const TControl& c, int x, int y) {
    POINT o = c.ClientOriginInWindow();
    return w.Surface().Pixel(o.x + x, o.y + y);
}

// The box around the pixels of the control that are not `face`.
TRect InkBox(const TWindow& w, const TControl& c, TColor32 face) {
    TRect box{c.Width(), c.Height(), -1, -1};
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x)
            if (Shown(w, c, x, y) != face) {
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box;
}

void Repaint(TWindow& w) {
    w.Invalidate();
    w.Update();
}

} // namespace

TEST(SkinButton, MouseStateMachine) {
    // Scripts of mouse input over (o) and off (x) the button; after each
    // script the clicks counted and the face colour the mouse leaves it in.
    struct Case {
        const char* name;
        const char* script; // o/x: move over/off, d: press, u: release
        int clicks;
        TColor face;
        bool down;
    };
    const Case cases[] = {
        {"click over the button", "odu", 1, kHot, false},
        {"press, move off, release", "odxu", 0, kNormal, false},
        {"press, off and back, release", "odxou", 1, kHot, false},
        // Another control holds the mouse: no hot look until it moves again.
        {"press off, release over", "xdou", 0, kNormal, false},
        {"press off, release over, move", "xduo", 0, kHot, false},
        {"hover only", "o", 0, kHot, false},
        {"hover and leave", "ox", 0, kNormal, false},
        {"two clicks", "oduxodu", 2, kHot, false},
    };
    FakeClock clock;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ButtonWindow w;
        ShowSettled(w, clock);
        auto* screen = HeadlessScreen();
        POINT over = w.At(10, 5), off = w.At(-50, -50);
        POINT at = off;
        screen->MouseMove(at.x, at.y);
        for (const char* s = c.script; *s; ++s) {
            switch (*s) {
            case 'o':
                at = over;
                screen->MouseMove(at.x, at.y);
                break;
            case 'x':
                at = off;
                screen->MouseMove(at.x, at.y);
                break;
            case 'd':
                screen->MouseDown(at.x, at.y);
                break;
            case 'u':
                screen->MouseUp(at.x, at.y);
                break;
            }
        }
        Repaint(w);
        EXPECT_EQ(w.Clicks, c.clicks);
        EXPECT_EQ(w.Button.Down(), c.down);
        EXPECT_EQ(Shown(w, w.Button, 2, 2), Color32(c.face));
        w.Hide();
    }
}

TEST(SkinButton, PressedFaceIsHotWithTheCaptionMovedOnePixel) {
    FakeClock clock;
    ButtonWindow w;
    ShowSettled(w, clock);
    auto* screen = HeadlessScreen();
    POINT p = w.At(10, 5);
    screen->MouseMove(p.x, p.y);
    Repaint(w);
    const TColor32 hot = Color32(kHot);
    ASSERT_EQ(Shown(w, w.Button, 2, 2), hot);
    const TRect hover = InkBox(w, w.Button, hot);
    ASSERT_FALSE(hover.IsEmpty());
    screen->MouseDown(p.x, p.y);
    Repaint(w);
    EXPECT_TRUE(w.Button.Pressed());
    EXPECT_EQ(Shown(w, w.Button, 2, 2), hot);
    EXPECT_EQ(InkBox(w, w.Button, hot), hover.Offset(1, 1));
    EXPECT_EQ(w.Clicks, 0);
    screen->MouseUp(p.x, p.y);
    EXPECT_EQ(w.Clicks, 1);
    Repaint(w);
    EXPECT_EQ(InkBox(w, w.Button, hot), hover);
    w.Hide();
}

TEST(SkinButton, DisabledFaceAndCaptionIgnoreTheMouse) {
    FakeClock clock;
    ButtonWindow w;
    w.Button.SetEnabled(false);
    ShowSettled(w, clock);
    auto* screen = HeadlessScreen();
    POINT p = w.At(10, 5);
    screen->Click(p.x, p.y);
    Repaint(w);
    EXPECT_EQ(w.Clicks, 0);
    const TColor32 face = Color32(TColor(13882323)), grey = Color32(TColor(9211020));
    EXPECT_EQ(Shown(w, w.Button, 2, 2), face);
    // The caption's ink lies between the face and the mid grey, and reaches it.
    int full = 0, ink = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x) {
            TColor32 c = Shown(w, w.Button, x, y);
            if (c == face) continue;
            ++ink;
            full += c == grey;
            EXPECT_TRUE(RedOf(c) >= 140 && RedOf(c) <= 211 && RedOf(c) == GreenOf(c))
                << x << "," << y;
        }
    EXPECT_GT(ink, 20);
    EXPECT_GT(full, 5);
    // Enabled again while the mouse rests on it: not hot until it moves.
    w.Button.SetEnabled(true);
    Repaint(w);
    EXPECT_EQ(Shown(w, w.Button, 2, 2), Color32(kNormal));
    screen->MouseMove(p.x + 1, p.y);
    Repaint(w);
    EXPECT_EQ(Shown(w, w.Button, 2, 2), Color32(kHot));
    w.Hide();
}

TEST(SkinButton, SpaceHeldPressesAndReleasingClicks) {
    FakeClock clock;
    ButtonWindow w;
    TZelSkinColorButton other(&w);
    other.SetBounds(200, 100, 80, 30);
    int otherClicks = 0;
    other.OnClick = [&](void*) { ++otherClicks; };
    ShowSettled(w, clock);
    auto* screen = HeadlessScreen();
    w.Button.SetFocus();
    screen->KeyDown(VK_SPACE);
    Repaint(w);
    EXPECT_TRUE(w.Button.Down());
    EXPECT_EQ(Shown(w, w.Button, 2, 2), Color32(kHot));
    EXPECT_EQ(w.Clicks, 0);
    screen->KeyUp(VK_SPACE);
    EXPECT_FALSE(w.Button.Down());
    EXPECT_EQ(w.Clicks, 1);
    // Space pressed here and released after the focus moved clicks nothing.
    screen->KeyDown(VK_SPACE);
    screen->KeyPress(VK_TAB);
    ASSERT_TRUE(other.Focused());
    EXPECT_FALSE(w.Button.Down());
    screen->KeyUp(VK_SPACE);
    EXPECT_EQ(w.Clicks, 1);
    EXPECT_EQ(otherClicks, 0);
    // Enter on the focused button clicks it.
    screen->KeyPress(VK_RETURN);
    EXPECT_EQ(otherClicks, 1);
    w.Hide();
}

TEST(SkinButton, GroupIndexReleasesTheOthersOfTheGroup) {
    FakeClock clock;
    ButtonWindow w;
    TZelSkinColorButton b1(&w), b2(&w), b3(&w), loose(&w);
    int clicks = 0;
    for (auto [b, x] : {std::pair{&b1, 0}, {&b2, 90}, {&b3, 180}, {&loose, 270}}) {
        b->SetBounds(x, 200, 80, 30);
        b->OnClick = [&](void*) { ++clicks; };
    }
    b1.SetGroupIndex(1);
    b2.SetGroupIndex(1);
    b3.SetGroupIndex(2);
    b1.SetDown(true);
    b3.SetDown(true);
    loose.SetDown(true);
    ShowSettled(w, clock);
    POINT p = b2.ClientToScreen({10, 10});
    HeadlessScreen()->Click(p.x, p.y);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(b2.Down());
    EXPECT_FALSE(b1.Down());
    EXPECT_TRUE(b3.Down());    // another group
    EXPECT_TRUE(loose.Down()); // no group
    // A down group button stays down and clicks again.
    HeadlessScreen()->Click(p.x, p.y);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(b2.Down());
    w.Hide();
}

TEST(SkinButton, DialogKeysDefaultCancelAndAccelerators) {
    FakeClock clock;
    ButtonWindow w; // its button: plain, caption "开始更新"
    // Asked first: a Cancel button that cannot take the focus stays out.
    TZelSkinColorButton noFocus(&w), ok(&w), cancel(&w);
    TZelSkinPanel panel(&w); // a control that is not a button
    panel.SetTabStop(true);
    std::vector<std::string> got;
    auto named = [&](TZelSkinColorButton& b, const char* name, int x) {
        b.SetBounds(x, 10, 60, 25);
        b.SetCaption(name);
        b.OnClick = [&got, name](void*) { got.push_back(name); };
    };
    named(ok, "&OK", 10);
    named(cancel, "&Cancel", 80);
    named(noFocus, "&No", 150);
    panel.SetBounds(10, 200, 50, 50);
    ok.SetDefault(true);
    ok.SetModalResult(mrOk);
    cancel.SetCancel(true);
    cancel.SetModalResult(mrCancel);
    noFocus.SetCancel(true);
    noFocus.SetCanFocused(false);
    ShowSettled(w, clock);
    auto* screen = HeadlessScreen();

    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> clicked;
    };
    const Step steps[] = {
        {"Enter with no focus clicks the Default button",
         [&] { screen->KeyPress(VK_RETURN); },
         {"&OK"}},
        {"Escape clicks the Cancel button that can take the focus",
         [&] { screen->KeyPress(VK_ESCAPE); },
         {"&Cancel"}},
        {"Shift + Escape clicks nothing", [&] { screen->KeyPress(VK_ESCAPE, MK_SHIFT); }, {}},
        {"another button focused takes Enter",
         [&] {
             w.Button.SetFocus();
             screen->KeyPress(VK_RETURN);
         },
         {}},
        {"a non-button focused gives Enter back to the Default button",
         [&] {
             panel.SetFocus();
             screen->KeyPress(VK_RETURN);
         },
         {"&OK"}},
        {"Alt + accelerator clicks",
         [&] {
             clock.Advance(101); // the Escape click above
             screen->KeyPress('C', MK_ALT);
         },
         {"&Cancel"}},
        {"the same accelerator within 100 ms does not",
         [&] {
             clock.Advance(100);
             screen->KeyPress('C', MK_ALT);
         },
         {}},
        {"after 100 ms it does",
         [&] {
             clock.Advance(1);
             screen->KeyPress('C', MK_ALT);
         },
         {"&Cancel"}},
        {"no accelerator for a button that cannot take the focus",
         [&] { screen->KeyPress('N', MK_ALT); },
         {}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        got.clear();
        s.act();
        EXPECT_EQ(got, s.clicked);
    }
    // The focused plain button had Enter: the Default one was not active.
    got.clear();
    w.Button.SetFocus();
    EXPECT_FALSE(ok.Active());
    screen->KeyPress(VK_RETURN);
    EXPECT_EQ(w.Clicks, 2);
    EXPECT_TRUE(got.empty());
    // A click gives the window the button's modal result, also none.
    ok.Click();
    EXPECT_EQ(w.ModalResult(), mrOk);
    w.Button.Click();
    EXPECT_EQ(w.ModalResult(), mrNone);
    w.Hide();
}

TEST(SkinButton, EscapeEndsAModalLoopThroughTheCancelButton) {
    FakeClock clock;
    ButtonWindow w;
    w.Button.SetCancel(true);
    w.Button.SetModalResult(mrCancel);
    w.OnShow = [](TWindow*) { PostToMainThread([] { HeadlessScreen()->KeyPress(VK_ESCAPE); }); };
    EXPECT_EQ(w.ShowModal(), mrCancel);
    EXPECT_EQ(w.Clicks, 1);
}

TEST(SkinButton, HoldingRepeatsAfter300MillisecondsEvery10) {
    FakeClock clock;
    ButtonWindow w;
    int cycles = 0;
    w.Button.OnCycleDownClick = [&](void*) { ++cycles; };
    w.Button.SetCycleDownClick(true);
    ShowSettled(w, clock);
    POINT p = w.At(10, 10);
    HeadlessScreen()->MouseDown(p.x, p.y);
    clock.Advance(299);
    EXPECT_EQ(cycles, 0);
    clock.Advance(1); // 300 ms: the repeat starts
    EXPECT_EQ(cycles, 0);
    for (int i = 0; i < 5; ++i)
        clock.Advance(10);
    EXPECT_EQ(cycles, 5);
    HeadlessScreen()->MouseUp(p.x, p.y);
    clock.Advance(10);
    clock.Advance(10);
    EXPECT_EQ(cycles, 5);
    EXPECT_EQ(w.Clicks, 1);
    // Without CycleDownClick the ticks raise nothing.
    w.Button.SetCycleDownClick(false);
    HeadlessScreen()->MouseDown(p.x, p.y);
    for (int i = 0; i < 40; ++i)
        clock.Advance(10);
    HeadlessScreen()->MouseUp(p.x, p.y);
    EXPECT_EQ(cycles, 5);
    w.Hide();
}

TEST(SkinButton, DropdownMenuPopsUpBelowTheButton) {
    FakeClock clock;
    ButtonWindow w;
    TPopupMenu menu;
    w.Button.SetDropdownMenu(&menu);
    ShowSettled(w, clock);
    auto* screen = HeadlessScreen();
    const POINT below = w.ClientToScreen({100 - 4, 100 + 30 - 4});
    // With OnClick, the left part clicks and the right 17 pixels pop up.
    POINT left = w.At(62, 10), area = w.At(63, 10);
    screen->MouseMove(left.x, left.y);
    EXPECT_FALSE(w.Button.InDropdownArea());
    screen->MouseMove(area.x, area.y);
    EXPECT_TRUE(w.Button.InDropdownArea());
    screen->Click(left.x, left.y);
    EXPECT_EQ(w.Clicks, 1);
    EXPECT_EQ(menu.PopupCount(), 0);
    screen->MouseDown(area.x, area.y);
    EXPECT_EQ(menu.PopupCount(), 1);
    EXPECT_EQ(menu.LastPopupPoint(), (TPoint{below.x, below.y}));
    EXPECT_TRUE(w.Button.PressedInDropdownArea());
    EXPECT_FALSE(w.Button.Down());
    screen->MouseUp(area.x, area.y);
    EXPECT_EQ(w.Clicks, 1);
    EXPECT_FALSE(w.Button.SkipNextClick());
    EXPECT_FALSE(w.Button.PressedInDropdownArea());
    // Without OnClick the whole button opens the menu.
    w.Button.OnClick = nullptr;
    screen->Click(left.x, left.y);
    EXPECT_EQ(menu.PopupCount(), 2);
    w.Hide();
}

TEST(SkinButton, ColourFaceBordersAndRounding) {
    FakeClock clock;
    ButtonWindow w;
    TZelSkinColorButton bordered(&w), smooth(&w), clipped(&w);
    bordered.SetBounds(10, 10, 80, 30);
    bordered.SetBorderSides(sdLeft | sdBottom);
    smooth.SetBounds(10, 50, 80, 30);
    smooth.SetRoundFrame(true);
    smooth.SetRoundSize(10);
    clipped.SetBounds(10, 90, 80, 30);
    clipped.SetRoundFrame(true);
    clipped.SetRoundSize(10);
    clipped.SetSmoothRound(false);
    for (auto* b : {&bordered, &smooth, &clipped})
        b->SetCaption("");
    ShowSettled(w, clock);
    const TColor32 face = Color32(TColor(3691775)), border = Color32(TColor(14666683)),
                   window = Color32(kWindowColor);
    EXPECT_EQ(Shown(w, bordered, 0, 10), border);
    EXPECT_EQ(Shown(w, bordered, 40, 29), border);
    EXPECT_EQ(Shown(w, bordered, 40, 0), face);
    EXPECT_EQ(Shown(w, bordered, 79, 10), face);
    // Smooth: a one-pixel margin, anti-aliased corners, solid middle.
    EXPECT_EQ(Shown(w, smooth, 0, 15), window);
    EXPECT_EQ(Shown(w, smooth, 79, 15), window);
    EXPECT_EQ(Shown(w, smooth, 1, 15), face);
    EXPECT_EQ(Shown(w, smooth, 1, 1), window);
    TColor32 edge = Shown(w, smooth, 2, 2);
    EXPECT_NE(edge, face);
    EXPECT_NE(edge, window);
    // Clipped: the corner shows what is behind, hard-edged.
    EXPECT_EQ(Shown(w, clipped, 0, 0), window);
    EXPECT_EQ(Shown(w, clipped, 0, 15), face);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x) {
            TColor32 c = Shown(w, clipped, x, y);
            ASSERT_TRUE(c == face || c == window) << x << "," << y;
        }
    w.Hide();
}

TEST(SkinButton, WrappedCaptionIsCentredAsABlock) {
    FakeClock clock;
    ButtonWindow w;
    w.Button.SetBounds(100, 100, 60, 60);
    w.Button.SetCaption("一二三四五六七八");
    w.Button.SetWordWrap(true);
    ShowSettled(w, clock);
    const TRect ink = InkBox(w, w.Button, Color32(kNormal));
    // Two lines of 12 pixels in 60: the block sits in the middle.
    EXPECT_GT(ink.Height(), 12);
    EXPECT_LE(std::abs(ink.Top - (60 - ink.Bottom)), 2) << ink.Top << " " << ink.Bottom;
    EXPECT_LE(std::abs(ink.Left - (60 - ink.Right)), 2) << ink.Left << " " << ink.Right;
    w.Hide();
}

TEST(SkinButton, ActionGivesCaptionEnabledAndTheClick) {
    FakeClock clock;
    ButtonWindow w;
    w.Button.OnClick = nullptr;
    int executed = 0;
    {
        TAction action;
        action.SetCaption("保存");
        action.OnExecute = [&](void*) { ++executed; };
        w.Button.SetAction(&action);
        EXPECT_EQ(w.Button.Caption(), "保存");
        w.Button.Click();
        EXPECT_EQ(executed, 1);
        action.SetEnabled(false);
        EXPECT_FALSE(w.Button.Enabled());
    }
    EXPECT_EQ(w.Button.Action(), nullptr); // the ended action unlinked itself
}
