// Skinned controls on the headless screen: the panel's fill and border
// table, the label's layout and halo, the gradient line, the group box strip
// and check box, the three ways of copying the parent's background, the
// buffer's validity and refresh rules, and the log memo.
#include "Gallery.h"
#include "SkinWindowSupport.h"
#include "skin/ZelSkinControls.h"
#include "skin/ZelSkinMemo.h"
#include "skin/ZelSkinPng.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace platform;
using namespace gui;

namespace {

constexpr TColor kWindowColor = 0x1E1EC8; // red 200, green 30, blue 30

// A borderless skinned window in one flat colour.
struct FlatSettings : TWindow {
    FlatSettings() { SetBorderStyle(bsNone); }
};
struct FlatWindow : FlatSettings {
    TZelSkinForm Frame{this};
    explicit FlatWindow(TColor color = kWindowColor) {
        Frame.SetTitlerColor(color);
        Frame.SetColor(color);
        SetBounds(200, 200, 400, 300);
    }
};

// What the control shows on the window, client coordinates of the control.
TColor32 Shown(const TWindow& w, const TControl& c, int x, int y) {
    POINT o = c.ClientOriginInWindow();
    return w.Surface().Pixel(o.x + x, o.y + y);
}

// Pixels of the control's area that differ from `background`.
int Ink(const TZelSkinImage& img, TColor32 background, int* top = nullptr, int* bottom = nullptr) {
    int n = 0, t = img.Height(), b = -1;
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x)
            if (img.Pixel(x, y) != background) {
                ++n;
                t = std::min(t, y);
                b = std::max(b, y);
            }
    if (top) *top = t;
    if (bottom) *bottom = b;
    return n;
}

// The band's fixed-point gradient rule at position i of n.
TColor32 FixedMix(TColor a, TColor b, int n, int i) {
    int64_t step = int64_t(std::llround(16777216.0 / n));
    auto ch = [&](int shift) {
        int ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        return uint8_t(ca + ((step * i * (cb - ca)) >> 24));
    };
    return Color32(ch(0), ch(8), ch(16));
}

class Recorder {
public:
    explicit Recorder(TControl& c) : FOld(c.WindowProc()) {
        c.SetWindowProc([this](TMessage& m) {
            Got.push_back(m.Msg);
            FOld(m);
        });
    }
    int Count(UINT msg) const { return int(std::count(Got.begin(), Got.end(), msg)); }
    std::vector<UINT> Got;

private:
    TWndMethod FOld;
};

// A plain control that fills its client area with one colour.
class Plain : public TControl {
public:
    Plain(TControl* parent, TColor32 color) : TControl(parent), FColor(color) {}
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_PAINT) DCFillRect(DCFromWParam(m.WParam), ClientRect(), FColor);
        TControl::WndProc(m);
    }

private:
    TColor32 FColor;
};

} // namespace

TEST(SkinPanel, AlphaFillOverTheWindowColourAndBorders) {
    FakeClock clock;
    FlatWindow w;
    TZelSkinPanel panel(&w);
    panel.SetBounds(10, 10, 100, 50);
    TZelSkinPanel clear(&w);
    clear.SetBounds(150, 10, 100, 50);
    clear.SetAlpha(0);
    ShowSettled(w, clock);
    const TColor32 window = Color32(kWindowColor);
    // Alpha 192 white: the window colour lightened by 75 % white.
    EXPECT_EQ(Shown(w, panel, 50, 25), BlendPixel(window, Color32(clWhite, 192)));
    EXPECT_EQ(Shown(w, panel, 50, 25), Color32(241, 199, 199));
    // Alpha 0: only the borders (outer line, inner white line).
    EXPECT_EQ(Shown(w, clear, 50, 25), window);
    EXPECT_EQ(Shown(w, clear, 0, 25), Color32(TColor(14273466)));
    EXPECT_EQ(Shown(w, clear, 1, 25), Color32(clWhite));
    EXPECT_EQ(Shown(w, clear, 99, 25), Color32(TColor(14273466)));
    EXPECT_EQ(Shown(w, clear, 98, 25), Color32(clWhite));
    w.Hide();
}

TEST(SkinPanel, TopBorderWithDoubleBorder) {
    FakeClock clock;
    FlatWindow w;
    TZelSkinPanel panel(&w);
    panel.SetBounds(10, 10, 100, 50);
    panel.SetAlpha(0);
    panel.SetBorderSides(sdTop);
    TZelSkinPanel inner(&panel);
    inner.SetAlign(alClient);
    inner.SetVisible(false);
    ShowSettled(w, clock);
    const TColor32 border = Color32(TColor(14273466)), window = Color32(kWindowColor);
    for (int x : {0, 1, 50, 99})
        EXPECT_EQ(Shown(w, panel, x, 0), border) << x;
    EXPECT_EQ(Shown(w, panel, 0, 1), window);
    for (int x : {1, 50, 99})
        EXPECT_EQ(Shown(w, panel, x, 1), Color32(clWhite)) << x;
    for (int x : {0, 1, 99})
        EXPECT_EQ(Shown(w, panel, x, 2), window) << x;
    EXPECT_EQ(Shown(w, panel, 0, 49), window);
    // The client area starts below the two lines.
    inner.SetVisible(true);
    EXPECT_EQ(inner.BoundsRect(), (RECT{0, 2, 100, 50}));
    w.Hide();
}

TEST(SkinLine, VerticalLineGradientAndSizing) {
    FakeClock clock;
    FlatWindow w;
    TZelSkinLine line(&w);
    line.SetKind(lkVertical);
    line.SetBounds(5, 0, 3, 450);
    EXPECT_EQ(line.Width(), 3);
    line.PaintBuffer();
    const TZelSkinImage& img = line.BackgroundPicture();
    const TColor start = 12364428, end = 16644339;
    for (int y = 0; y < 450; ++y)
        ASSERT_TRUE(img.Pixel(0, y) == img.Pixel(1, y) && img.Pixel(1, y) == img.Pixel(2, y)) << y;
    // Strongest at the centre; the upper band runs from 45 rows above the top.
    EXPECT_EQ(img.Pixel(1, 224), Color32(start));
    EXPECT_EQ(img.Pixel(1, 223), FixedMix(end, start, 270, 268));
    EXPECT_EQ(img.Pixel(1, 0), FixedMix(end, start, 270, 45));
    // The lower half fades over the whole rest of the line.
    EXPECT_EQ(img.Pixel(1, 300), FixedMix(start, end, 226, 76));
    EXPECT_EQ(img.Pixel(1, 449), FixedMix(start, end, 226, 225));
    EXPECT_NE(img.Pixel(1, 449), Color32(end));
    EXPECT_LE(std::abs(int(BlueOf(img.Pixel(1, 449))) - int(BlueOf(Color32(end)))), 1);

    line.SetActiveGradient(false);
    line.PaintBuffer();
    EXPECT_EQ(Ink(line.BackgroundPicture(), Color32(end)), 0);

    // AutoSize keeps the thickness; GradientSize outside 0…100 is refused.
    line.SetWidth(1);
    EXPECT_EQ(line.Width(), 3);
    line.SetGradientSize(150);
    EXPECT_EQ(line.GradientSize(), 60);
    line.SetGradientSize(-1);
    EXPECT_EQ(line.GradientSize(), 60);
    line.SetGradientSize(100);
    EXPECT_EQ(line.GradientSize(), 100);
    line.SetAutoSize(false);
    line.SetWidth(0);
    EXPECT_EQ(line.Width(), 1);
    // A new kind swaps a shape that does not fit it.
    TZelSkinLine h(&w);
    EXPECT_EQ(h.Width(), 255);
    h.SetKind(lkVertical);
    EXPECT_EQ(h.Width(), 3);
    EXPECT_EQ(h.Height(), 255);
}

TEST(SkinLabel, WordWapShowsOnlyTheFirstLineCentred) {
    FakeClock clock;
    FlatWindow w(clWhite);
    TZelSkinLabel label(&w);
    label.SetAutoSize(false);
    label.SetBounds(10, 10, 100, 40);
    label.Light().SetActive(false);
    label.SetFont(TZelFont("宋体", 12, clBlack));
    label.SetWordWap(true);
    label.SetAlignmentVertical(taVerticalCenter);
    label.SetCaption("第一行文字第一行第二行文字第二行第三行文字");
    label.PaintBuffer();
    int lh = MeasureText(label.Font(), "第", {0, 0, 100, 100}, tfSingleLine).Height();
    TRect r = label.TextRect();
    EXPECT_EQ(r, (TRect{0, (40 - lh) / 2, 100, (40 - lh) / 2 + lh}));
    int top, bottom;
    EXPECT_GT(Ink(label.BackgroundPicture(), Color32(clWhite), &top, &bottom), 0);
    EXPECT_GE(top, r.Top);
    EXPECT_LT(bottom, r.Bottom);
    // Without wrapping the single line is centred as well, but not cut at the width.
    EXPECT_EQ(label.TextFlags() & (tfSingleLine | tfWordBreak), tfWordBreak);
}

TEST(SkinLabel, HaloOnAndOffDiffer) {
    FakeClock clock;
    FlatWindow w(clNavy);
    TZelSkinLabel label(&w);
    label.SetFont(TZelFont("宋体", 14, clBlack));
    label.SetCaption("发现新的升级文件");
    EXPECT_GT(label.Width(), 100); // AutoSize
    label.PaintBuffer();
    TZelSkinImage halo = label.BackgroundPicture();
    label.Light().SetActive(false);
    label.PaintBuffer();
    TZelSkinImage plain = label.BackgroundPicture();
    const TColor32 navy = Color32(clNavy);
    EXPECT_GT(Ink(halo, navy), Ink(plain, navy));
    // Around the glyphs the halo pulls the navy towards near-white.
    int lighter = 0;
    for (int y = 0; y < halo.Height(); ++y)
        for (int x = 0; x < halo.Width(); ++x)
            if (plain.Pixel(x, y) == navy && RedOf(halo.Pixel(x, y)) > 60) ++lighter;
    EXPECT_GT(lighter, 20);
    // A new ellipsis position switches AutoSize off.
    label.SetEllipsisPosition(epPathEllipsis);
    EXPECT_FALSE(label.AutoSize());
}

TEST(SkinGroupBox, EmptyCaptionShowsOnlyTheStripLine) {
    FakeClock clock;
    FlatWindow w;
    TZelSkinGroupBox box(&w);
    box.SetBounds(10, 20, 200, 100);
    box.SetCaption("");
    ShowSettled(w, clock);
    EXPECT_EQ(box.ClientRect(), (RECT{0, 0, 200, 85}));
    const TColor32 window = Color32(kWindowColor);
    TZelSkinImage img = WindowImage(w).CopyRect(TRect::Bounds(10, 20, 200, 15));
    EXPECT_EQ(img.Pixel(4, 7), window);
    EXPECT_EQ(img.Pixel(5, 7), Color32(TColor(13608787)));
    EXPECT_NE(img.Pixel(199, 7), window);
    for (int y = 0; y < 15; ++y) {
        if (y == 7) continue;
        EXPECT_EQ(Ink(img.CopyRect({0, y, 200, y + 1}), window), 0) << y;
    }
    w.Hide();
}

TEST(SkinGroupBox, CheckBoxTogglesTheChildren) {
    FakeClock clock;
    FlatWindow w;
    TZelSkinGroupBox box(&w);
    box.SetBounds(10, 20, 200, 100);
    box.SetCaption("文件");
    box.CheckBox().SetVisible(true);
    TZelSkinPanel child(&box);
    ShowSettled(w, clock);
    TRect r = box.CheckBox().CheckRect();
    ASSERT_FALSE(r.IsEmpty());
    EXPECT_EQ(r.Left, 3);
    EXPECT_EQ(box.CaptionLeft(), r.Right + 3);
    POINT p = box.ClientToScreen({r.Left + r.Width() / 2, r.Top + r.Height() / 2 - 15});
    HeadlessScreen()->Click(p.x, p.y);
    EXPECT_FALSE(box.CheckBox().Checked());
    EXPECT_FALSE(child.Enabled());
    HeadlessScreen()->Click(p.x, p.y);
    EXPECT_TRUE(box.CheckBox().Checked());
    EXPECT_TRUE(child.Enabled());
    // A press elsewhere in the strip does nothing.
    HeadlessScreen()->Click(p.x + 150, p.y);
    EXPECT_TRUE(box.CheckBox().Checked());
    w.Hide();
}

TEST(SkinControl, CopiesTheParentBackgroundInItsThreeCases) {
    FakeClock clock;
    MainLikeWindow w;
    // 1: on a skinned window, the frame's background picture.
    TZelSkinLabel onWindow(&w);
    onWindow.SetBounds(20, 40, 30, 10);
    // 2: on a skinned control, its buffer.
    TZelSkinPanel green(&w);
    green.SetBounds(100, 100, 80, 60);
    green.SetTransparent(false);
    green.SetColor(clGreen);
    TZelSkinLabel onPanel(&green);
    onPanel.SetBounds(10, 10, 30, 10);
    // 3: on a plain control, which paints itself and the siblings before the label.
    Plain blue(&w, Color32(0, 0, 255));
    blue.SetBounds(300, 100, 100, 50);
    Plain red(&blue, Color32(255, 0, 0));
    red.SetBounds(0, 0, 20, 50);
    TZelSkinLabel onPlain(&blue);
    onPlain.SetBounds(10, 10, 30, 10);
    ShowSettled(w, clock);

    const TZelSkinImage& a = onWindow.BackgroundPicture();
    for (int y : {0, 9}) {
        TColor32 row = WindowImage(w).Pixel(2 + 19, 28 + 40 + y);
        EXPECT_EQ(a.Pixel(0, y), row) << y;
    }
    EXPECT_EQ(onPanel.BackgroundPicture().Pixel(5, 5), Color32(clGreen));
    EXPECT_EQ(onPlain.BackgroundPicture().Pixel(5, 5), Color32(255, 0, 0));
    EXPECT_EQ(onPlain.BackgroundPicture().Pixel(15, 5), Color32(0, 0, 255));
    w.Hide();
}

TEST(SkinControl, BufferValidityAndRefreshRules) {
    FakeClock clock;
    FlatWindow w;
    TZelSkinPanel inside(&w), outside(&w);
    inside.SetBounds(10, 10, 50, 50);
    outside.SetBounds(380, 10, 50, 50); // sticks out of the 400-pixel window
    ShowSettled(w, clock);
    EXPECT_TRUE(inside.BufferValid());
    EXPECT_FALSE(outside.BufferValid());

    // Moving with AutoInvalidate refreshes the children through posted messages.
    TZelSkinLabel child(&inside);
    child.SetBounds(5, 5, 20, 10);
    Application()->ProcessMessages();
    Recorder rec(child);
    inside.SetAutoInvalidate(true);
    inside.SetLeft(20);
    EXPECT_EQ(rec.Count(WM_SKIN_REFRESH), 0);
    Application()->ProcessMessages();
    EXPECT_EQ(rec.Count(WM_SKIN_REFRESH), 1);

    // DelayRefresh: no drawing for 10 ms after a size change.
    inside.SetDelayRefresh(true);
    inside.SetWidth(60);
    EXPECT_TRUE(inside.StopDrawing());
    clock.Advance(9);
    EXPECT_TRUE(inside.StopDrawing());
    clock.Advance(1);
    EXPECT_FALSE(inside.StopDrawing());
    EXPECT_TRUE(inside.BufferValid());
    w.Hide();
}

TEST(SkinMemo, LinesScrollSelectAndCopy) {
    FakeClock clock;
    FlatWindow w;
    TZelSkinMemo memo(&w);
    memo.SetBounds(10, 10, 200, 100);
    memo.SetScrollBars(ssVertical);
    memo.SetSoftBevel(true);
    memo.SetColor(clWhite);
    memo.SetFont(TZelFont("宋体", 12, clBlack));
    for (int i = 0; i < 30; ++i)
        memo.Append("第" + std::to_string(i) + "行");
    memo.Append("a\r\nb");
    EXPECT_EQ(memo.LineCount(), 32);
    // A long line wraps inside the width left beside the scroll bar.
    memo.Append(std::string(60, 'x'));
    ShowSettled(w, clock);
    EXPECT_GT(memo.DisplayLineCount(), 33);
    EXPECT_EQ(memo.TopLine(), 0);
    POINT p = memo.ClientToScreen({50, 50});
    HeadlessScreen()->Wheel(p.x, p.y, -120);
    EXPECT_EQ(memo.TopLine(), 3);
    HeadlessScreen()->Wheel(p.x, p.y, 240);
    EXPECT_EQ(memo.TopLine(), 0);
    // Drag over the first two lines and copy.
    int lh = GetFontMetrics(memo.Font()).Height;
    POINT a = memo.ClientToScreen({3, 2 + lh / 2}), b = memo.ClientToScreen({150, 2 + lh + lh / 2});
    HeadlessScreen()->Drag(a, b);
    EXPECT_TRUE(memo.Focused());
    HeadlessScreen()->KeyPress('C', MK_CONTROL);
    EXPECT_EQ(HeadlessScreen()->ClipboardText(), "第0行\n第1行");
    // The selection shows highlighted.
    Application()->ProcessMessages();
    TZelSkinImage img = WindowImage(w);
    POINT o = memo.ClientOriginInWindow();
    EXPECT_EQ(img.Pixel(o.x + 4, o.y + 2 + lh / 2 + 3) == Color32(clHighlight) ||
                  img.Pixel(o.x + 5, o.y + 2 + lh / 2 + 4) == Color32(clHighlight),
              true);
    w.Hide();
}

TEST(Gallery, WritesTheScreenshotOfEveryControlKind) {
    HeadlessScreen();
    std::string path = std::string(SKIN_TEST_OUTPUT_DIR) + "/gallery.png";
    std::string error;
    ASSERT_TRUE(WriteGallery(path, &error)) << error;
    TZelSkinImage img;
    ASSERT_TRUE(LoadPngFromFile(path, img));
    EXPECT_EQ(img.Width(), 685);
    EXPECT_EQ(img.Height(), 480);
    EXPECT_EQ(AlphaOf(img.Pixel(0, 0)), 0);
    EXPECT_EQ(img.Pixel(340, 0), Color32(0, 128, 189));
}
