// The image progress bar: its value rules, its face (stretched background,
// filled width and end caps, the narrow-bar and empty-range cases, the
// caption) and the slider mode (thumb, ValueAt, dragging, keys, paging).
#include "SkinWindowSupport.h"
#include "skin/ZelSkinProgressBar.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace gui;

namespace {

constexpr TColor kWindowColor = 0x1E1EC8;

struct FlatSettings : TWindow {
    FlatSettings() { SetBorderStyle(bsNone); }
};
struct BarWindow : FlatSettings {
    TZelSkinForm Frame{this};
    TZelSkinProgressBar Bar{this};
    BarWindow() {
        Frame.SetTitlerColor(kWindowColor);
        Frame.SetColor(kWindowColor);
        SetBounds(200, 200, 500, 200);
        Bar.SetBounds(102, 36, 333, 22);
    }
};

TZelSkinImage* Library(const char* name) {
    return SkinResManager()->GetImageByName(name);
}

// What the bar should show: the window colour, the background stretched to
// the bar's width at y, and the filled part of width pw over it.
TZelSkinImage ExpectedFace(int width, int height, int pw) {
    TZelSkinImage img(width, height, Color32(kWindowColor));
    TZelPainter p(img);
    TZelSkinImage* base = Library("ZelSkinBar_base");
    TZelSkinImage* cur = Library("ZelSkinBar_cur");
    const int y = (height - base->Height()) / 2;
    p.Draw(0, y, *ResizeSkinImage(base, width, base->Height()));
    if (pw > 0) p.Draw(0, y, *StretchBarImage(cur, pw, 6));
    return img;
}

const TZelSkinImage& Painted(TZelSkinProgressBar& bar) {
    bar.PaintBuffer();
    return bar.BackgroundPicture();
}

} // namespace

TEST(SkinProgressBar, ValueRules) {
    BarWindow w;
    TZelSkinProgressBar& bar = w.Bar;
    int changed = 0;
    bar.OnChanged = [&](void*) { ++changed; };
    struct Step {
        const char* what;
        std::function<void()> act;
        int value, changes;
    };
    const Step steps[] = {
        {"defaults", [] {}, 50, 0},
        {"above the maximum", [&] { bar.SetValue(150); }, 100, 1},
        {"the same again", [&] { bar.SetValue(100); }, 100, 1},
        {"above the maximum again", [&] { bar.SetValue(101); }, 100, 1},
        {"below the minimum", [&] { bar.SetValue(-5); }, 0, 2},
        {"while updating",
         [&] {
             bar.BeginUpdate();
             bar.SetValue(50);
         },
         50, 2},
        {"updates nest",
         [&] {
             bar.BeginUpdate();
             bar.EndUpdate();
             bar.SetValue(60);
         },
         60, 2},
        {"after the update",
         [&] {
             bar.EndUpdate();
             bar.SetValue(50);
         },
         50, 3},
        {"a maximum below the value lowers it silently", [&] { bar.SetMaxValue(20); }, 20, 3},
        {"a minimum above the value raises it silently", [&] { bar.SetMinValue(30); }, 30, 3},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(bar.Value(), s.value);
        EXPECT_EQ(changed, s.changes);
    }
}

TEST(SkinProgressBar, FaceOfTheMainWindowsBar) {
    FakeClock clock;
    BarWindow w;
    w.Bar.SetValue(50);
    ShowSettled(w, clock);
    ASSERT_EQ(Library("ZelSkinBar_base")->Width(), 102);
    ASSERT_EQ(Library("ZelSkinBar_base")->Height(), 13);
    const TZelSkinImage& face = Painted(w.Bar);
    ASSERT_EQ(w.Bar.FilledWidth(), 166);
    EXPECT_TRUE(face == ExpectedFace(333, 22, 166));
    // Background from y = 4 to 16; the window colour above and below.
    const TColor32 window = Color32(kWindowColor);
    for (int x : {0, 100, 332}) {
        EXPECT_EQ(face.Pixel(x, 3), window) << x;
        EXPECT_EQ(face.Pixel(x, 17), window) << x;
    }
    EXPECT_NE(face.Pixel(200, 4), window);
    EXPECT_NE(face.Pixel(200, 16), window);
    // The filled part ends after 166 columns, with the source's 6-pixel caps.
    const TZelSkinImage empty = ExpectedFace(333, 22, 0);
    TZelSkinImage* cur = Library("ZelSkinBar_cur");
    EXPECT_NE(face.Pixel(165, 10), empty.Pixel(165, 10));
    for (int y = 4; y < 17; ++y) {
        EXPECT_EQ(face.Pixel(166, y), empty.Pixel(166, y)) << y;
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(face.Pixel(i, y), BlendPixel(empty.Pixel(i, y), cur->Pixel(i, y - 4)));
            EXPECT_EQ(face.Pixel(160 + i, y),
                      BlendPixel(empty.Pixel(160 + i, y), cur->Pixel(96 + i, y - 4)));
        }
    }
    // What the window shows is the buffer.
    POINT o = w.Bar.ClientOriginInWindow();
    EXPECT_EQ(w.Surface().Pixel(o.x + 100, o.y + 10), face.Pixel(100, 10));
    w.Hide();
}

TEST(SkinProgressBar, EdgeCasesOfTheFilledWidth) {
    FakeClock clock;
    BarWindow w;
    ShowSettled(w, clock);
    TZelSkinProgressBar& bar = w.Bar;
    // Maximum equal to minimum: divided by 1, an empty bar.
    bar.SetMinValue(0);
    bar.SetMaxValue(0);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.FilledWidth(), 0);
    EXPECT_TRUE(Painted(bar) == ExpectedFace(333, 22, 0));
    // 7 to 9 pixels show only the 6-pixel left cap; 10 show both caps.
    bar.SetMaxValue(333);
    TZelSkinImage* cur = Library("ZelSkinBar_cur");
    const TZelSkinImage empty = ExpectedFace(333, 22, 0);
    for (int pw : {7, 8, 9}) {
        SCOPED_TRACE(pw);
        bar.SetValue(pw);
        ASSERT_EQ(bar.FilledWidth(), pw);
        const TZelSkinImage& face = Painted(bar);
        for (int y = 4; y < 17; ++y)
            for (int x = 0; x < 12; ++x) {
                TColor32 expect = empty.Pixel(x, y);
                if (x < 6) expect = BlendPixel(expect, cur->Pixel(x, y - 4));
                ASSERT_EQ(face.Pixel(x, y), expect) << x << "," << y;
            }
    }
    bar.SetValue(10);
    const TZelSkinImage& both = Painted(bar);
    EXPECT_TRUE(both == ExpectedFace(333, 22, 10));
    for (int y = 4; y < 17; ++y) // the right cap, the source's last 6 columns, from x = 4
        for (int x = 4; x < 10; ++x)
            EXPECT_EQ(both.Pixel(x, y),
                      BlendPixel(empty.Pixel(x, y), cur->Pixel(96 + x - 4, y - 4)))
                << x << "," << y;
    // A bar narrower than 30 pixels shows only what lies behind it.
    bar.SetBounds(102, 36, 29, 22);
    const TZelSkinImage& narrow = Painted(bar);
    for (int y = 0; y < 22; ++y)
        for (int x = 0; x < 29; ++x)
            ASSERT_EQ(narrow.Pixel(x, y), Color32(kWindowColor));
    // No background image: nothing drawn, not even the filled part.
    bar.SetBounds(102, 36, 333, 22);
    bar.SetBar_Background("NoSuchPicture");
    const TZelSkinImage& bare = Painted(bar);
    for (int x = 0; x < 333; x += 7)
        ASSERT_EQ(bare.Pixel(x, 10), Color32(kWindowColor));
    w.Hide();
}

TEST(SkinProgressBar, CaptionWithHaloOverTheBar) {
    FakeClock clock;
    BarWindow w;
    ShowSettled(w, clock);
    TZelSkinProgressBar& bar = w.Bar;
    const TZelSkinImage plain = Painted(bar);
    bar.Caption().SetFont(TZelFont("Tahoma", 11, clWindowText));
    bar.Caption().SetText("50%");
    const TZelSkinImage halo = Painted(bar);
    bar.Caption().Light().SetActive(false);
    const TZelSkinImage text = Painted(bar);
    auto changed = [&](const TZelSkinImage& img) {
        int n = 0;
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 333; ++x)
                n += img.Pixel(x, y) != plain.Pixel(x, y);
        return n;
    };
    EXPECT_GT(changed(text), 10);
    EXPECT_GT(changed(halo), changed(text)); // the halo around the text
    // Centred: nothing in the outer thirds.
    for (int y = 0; y < 22; ++y)
        for (int x : {0, 100, 232, 332})
            ASSERT_EQ(halo.Pixel(x, y), plain.Pixel(x, y));
    bar.Caption().SetVisible(false);
    EXPECT_TRUE(Painted(bar) == plain);
    w.Hide();
}

TEST(SkinProgressBar, SliderThumbDragKeysAndPaging) {
    FakeClock clock;
    BarWindow w;
    TZelSkinProgressBar& bar = w.Bar;
    bar.SetBounds(50, 50, 300, 22);
    bar.TrackButton().SetNormal("ZelSkinSlider_dragBackground"); // 14 × 14
    bar.TrackButton().SetVisible(true);
    int changed = 0;
    bar.OnChanged = [&](void*) { ++changed; };
    bar.SetValue(50);
    ShowSettled(w, clock);
    Painted(bar);
    // The thumb's right edge at the value's point, centred vertically.
    EXPECT_EQ(bar.ThumbRect(), TRect::Bounds(150 - 14, 4, 14, 14));
    // ValueAt gives back the value under the thumb's centre.
    EXPECT_EQ(bar.ValueAt(150 - 7), 50);
    EXPECT_EQ(bar.ValueAt(-100), 0);
    EXPECT_EQ(bar.ValueAt(1000), 100);
    // Near the ends the thumb stays inside the bar.
    bar.SetValue(2);
    Painted(bar);
    EXPECT_EQ(bar.ThumbRect().Left, 0);

    auto* screen = HeadlessScreen();
    auto at = [&](int x) { return bar.ClientToScreen({x, 11}); };
    // Dragging the thumb: the value follows the pointer.
    bar.SetValue(50);
    Painted(bar);
    changed = 0;
    screen->Drag(at(143), at(203), 3);
    EXPECT_EQ(bar.Value(), 70);
    EXPECT_EQ(changed, 3);
    EXPECT_TRUE(bar.Focused());
    // Keys.
    struct Key {
        WPARAM vk;
        int value;
    };
    for (Key k : {Key{VK_LEFT, 69},
                  {VK_NEXT, 68},
                  {VK_SUBTRACT, 67},
                  {VK_DOWN, 66},
                  {VK_RIGHT, 67},
                  {VK_PRIOR, 68},
                  {VK_ADD, 69},
                  {VK_UP, 70},
                  {VK_HOME, 0},
                  {VK_END, 100}}) {
        screen->KeyPress(k.vk);
        EXPECT_EQ(bar.Value(), k.value) << k.vk;
    }
    // Paging: one page (a tenth of the range) at once, after 200 ms, then
    // every 100 ms until the thumb reaches the held point.
    bar.SetValue(10);
    Painted(bar);
    POINT held = at(250); // ValueAt: 86
    screen->MouseDown(held.x, held.y);
    EXPECT_EQ(bar.Value(), 20);
    clock.Advance(199);
    EXPECT_EQ(bar.Value(), 20);
    clock.Advance(1);
    EXPECT_EQ(bar.Value(), 30);
    for (int i = 0; i < 5; ++i)
        clock.Advance(100);
    EXPECT_EQ(bar.Value(), 80);
    clock.Advance(100); // the last page stops under the pointer
    EXPECT_EQ(bar.Value(), 86);
    EXPECT_TRUE(bar.ThumbRect().Contains(250, 11));
    clock.Advance(100);
    clock.Advance(100);
    EXPECT_EQ(bar.Value(), 86);
    screen->MouseUp(held.x, held.y);
    w.Hide();
}
