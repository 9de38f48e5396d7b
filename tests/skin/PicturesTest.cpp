#include "skin/ZelSkinPictures.h"
#include "skin/ZelSkinPng.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

// Each pixel names its own place: red = column, green = row.
TZelSkinImage Coded(int w, int h) {
    TZelSkinImage img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.SetPixel(x, y, Color32(uint8_t(x), uint8_t(y), 7));
    img.SetDrawMode(dmBlend);
    img.SetResamplerClassName("TestResampler");
    return img;
}

// The source column each result column came from (−1: nothing drawn), after
// checking that every row of it comes from the same row of the source.
std::vector<int> SourceColumns(const TZelSkinImage& img) {
    std::vector<int> cols;
    for (int x = 0; x < img.Width(); ++x) {
        if (AlphaOf(img.Pixel(x, 0)) == 0) {
            cols.push_back(-1);
            continue;
        }
        cols.push_back(RedOf(img.Pixel(x, 0)));
        for (int y = 0; y < img.Height(); ++y) {
            EXPECT_EQ(GreenOf(img.Pixel(x, y)), y) << "column " << x;
            EXPECT_EQ(RedOf(img.Pixel(x, y)), cols.back()) << "column " << x;
        }
    }
    return cols;
}

std::vector<int> Range(int from, int to) { // inclusive
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

std::vector<int> Slice(const std::vector<int>& v, int from, int to) {
    return std::vector<int>(v.begin() + from, v.begin() + to + 1);
}

// A stretched run: starts at `first`, ends at `last`, never goes back and
// leaves no source column out.
void ExpectStretched(const std::vector<int>& run, int first, int last) {
    ASSERT_FALSE(run.empty());
    EXPECT_EQ(run.front(), first);
    EXPECT_EQ(run.back(), last);
    for (size_t i = 1; i < run.size(); ++i) {
        EXPECT_GE(run[i], run[i - 1]) << i;
        EXPECT_LE(run[i], run[i - 1] + 1) << i;
    }
}

TEST(Frames, CloseButtonFramesAreExactCopies) {
    TPngPictures pictures;
    pictures.SetImage("ZelSkinBtn_close");
    pictures.SetCount(3);
    ASSERT_NE(pictures.SourceImage(), nullptr);
    EXPECT_EQ(pictures.SourceSize(), (TSize{117, 19}));
    EXPECT_EQ(pictures.GetSingleWidth(), 39);
    EXPECT_EQ(pictures.GetSingleHeight(), 19);
    auto pressed = pictures.GetPressedImage(); // frame 2
    ASSERT_NE(pressed, nullptr);
    EXPECT_EQ(*pressed, pictures.SourceImage()->CopyRect(TRect::Bounds(78, 0, 39, 19)));
    EXPECT_EQ(pressed->DrawMode(), dmBlend);
    EXPECT_EQ(pressed->ResamplerClassName(), "TNearestResampler");
    EXPECT_NE(*pictures.GetNormalImage(), *pressed);

    pictures.SetHot(5);
    EXPECT_EQ(pictures.GetHotImage(), nullptr);
    EXPECT_EQ(pictures.GetFrame(-1), nullptr);
    EXPECT_EQ(pictures.GetFrame(3), nullptr);
    pictures.SetCount(0); // no division by zero: simply no frames
    EXPECT_EQ(pictures.GetSingleWidth(), 0);
    EXPECT_EQ(pictures.GetNormalImage(), nullptr);
}

TEST(Frames, NoSourceImageGivesNoFrames) {
    TPngPictures pictures;
    pictures.SetImage("NoSuchPicture");
    EXPECT_EQ(pictures.SourceImage(), nullptr);
    EXPECT_EQ(pictures.SourceSize(), (TSize{0, 0}));
    EXPECT_EQ(pictures.GetSingleWidth(), 0);
    EXPECT_EQ(pictures.GetNormalImage(), nullptr);
}

TEST(Frames, MultiLineModeStacksFramesAndLeavesTheRemainderOut) {
    testsupport::TempDir dir;
    TZelSkinImage coded = Coded(4, 11); // three frames of 3 rows, 2 rows left over
    ASSERT_TRUE(SavePngToFile(coded, dir / "stack.png"));
    TPngPictures pictures;
    pictures.SetMultiLineMode(true);
    pictures.SetImage(dir / "stack.png"); // an existing file comes first
    EXPECT_EQ(pictures.GetSingleWidth(), 4);
    EXPECT_EQ(pictures.GetSingleHeight(), 3);
    auto frame = pictures.GetFrame(2);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Height(), 3);
    EXPECT_EQ(GreenOf(frame->Pixel(0, 0)), 6);
    EXPECT_EQ(GreenOf(frame->Pixel(3, 2)), 8);
    EXPECT_EQ(RedOf(frame->Pixel(3, 2)), 3);
}

TEST(Frames, WhichSettersRaisePicturesChanged) {
    struct Case {
        const char* name;
        std::function<void(TPngPictures&)> set;
        bool raises;
    };
    const Case cases[] = {
        {"Active", [](TPngPictures& p) { p.SetActive(true); }, true},
        {"Image", [](TPngPictures& p) { p.SetImage("ZelSkinCheckBox"); }, true},
        {"Image unchanged", [](TPngPictures& p) { p.SetImage(""); }, false},
        {"Count", [](TPngPictures& p) { p.SetCount(4); }, true},
        {"Normal", [](TPngPictures& p) { p.SetNormal(1); }, true},
        {"Hot", [](TPngPictures& p) { p.SetHot(2); }, true},
        {"Disable", [](TPngPictures& p) { p.SetDisable(2); }, true},
        {"Pressed", [](TPngPictures& p) { p.SetPressed(1); }, false},
        {"MultiLineMode", [](TPngPictures& p) { p.SetMultiLineMode(true); }, false},
    };
    for (const Case& c : cases) {
        TPngPictures p;
        int raised = 0;
        p.SetPicturesChanged([&](void* sender) {
            EXPECT_EQ(sender, &p);
            ++raised;
        });
        EXPECT_EQ(raised, 1) << "setting the event raises it";
        raised = 0;
        c.set(p);
        EXPECT_EQ(raised, c.raises ? 1 : 0) << c.name;
        p.Lock();
        raised = 0;
        c.set(p);
        EXPECT_EQ(raised, 0) << c.name << " while locked";
        p.UnLock();
    }
}

TEST(Frames, AssignCopiesTheSettings) {
    TPngPictures a, b;
    a.SetImage("ZelSkinCheckBox");
    a.SetCount(4);
    a.SetHot(3);
    a.SetPressed(0);
    a.SetActive(true);
    a.SetMultiLineMode(true);
    b.Assign(a);
    EXPECT_EQ(b.Image(), "ZelSkinCheckBox");
    EXPECT_EQ(b.SourceImage(), a.SourceImage());
    EXPECT_EQ(b.Count(), 4);
    EXPECT_EQ(b.Hot(), 3);
    EXPECT_EQ(b.Pressed(), 0);
    EXPECT_TRUE(b.Active());
    EXPECT_TRUE(b.MultiLineMode());
}

TEST(Split, CheckBoxInFourAndRemainders) {
    TZelSkinImage* check = SkinResManager()->GetImageByName("ZelSkinCheckBox");
    auto pieces = SplitSkinImage(check, 4);
    ASSERT_EQ(pieces.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pieces[size_t(i)]->Width(), 17);
        EXPECT_EQ(pieces[size_t(i)]->Height(), 17);
        EXPECT_EQ(*pieces[size_t(i)], check->CopyRect(TRect::Bounds(17 * i, 0, 17, 17)));
    }
    TZelSkinImage coded = Coded(10, 2);
    auto thirds = SplitSkinImage(&coded, 3);
    ASSERT_EQ(thirds.size(), 3u);
    EXPECT_EQ(SourceColumns(*thirds[2]), (std::vector<int>{6, 7, 8}));
    EXPECT_EQ(thirds[2]->ResamplerClassName(), "TestResampler");
    EXPECT_TRUE(SplitSkinImage(nullptr, 3).empty());
    EXPECT_TRUE(SplitSkinImage(&coded, 0).empty());
}

TEST(StretchBar, TheBarCasesWithSixPixelCaps) {
    TZelSkinImage* bar = SkinResManager()->GetImageByName("ZelSkinBar_cur");
    ASSERT_NE(bar, nullptr);
    auto real = StretchBarImage(bar, 200, 6);
    EXPECT_EQ(real->Width(), 200);
    EXPECT_EQ(real->Height(), 13);
    EXPECT_EQ(real->DrawMode(), bar->DrawMode());

    const TZelSkinImage coded = Coded(102, 13);
    auto wide = SourceColumns(*StretchBarImage(&coded, 200, 6));
    EXPECT_EQ(Slice(wide, 0, 5), Range(0, 5));
    EXPECT_EQ(Slice(wide, 194, 199), Range(96, 101));
    ExpectStretched(Slice(wide, 6, 193), 6, 95); // 90 columns onto 188

    // Width 8: only the left cap, the rest stays transparent.
    auto eight = SourceColumns(*StretchBarImage(&coded, 8, 6));
    EXPECT_EQ(eight, (std::vector<int>{0, 1, 2, 3, 4, 5, -1, -1}));
    // Width 4: the first four columns of the left cap.
    EXPECT_EQ(SourceColumns(*StretchBarImage(&coded, 4, 6)), Range(0, 3));
    // From edge + 4 on the right cap is there too (it may overlap the left).
    auto ten = SourceColumns(*StretchBarImage(&coded, 10, 6));
    EXPECT_EQ(Slice(ten, 4, 9), Range(96, 101));
}

TEST(StretchBar, ThirdsWithoutAUsableEdge) {
    const TZelSkinImage coded = Coded(102, 13);
    for (int edge : {0, -3}) {
        auto cols = SourceColumns(*StretchBarImage(&coded, 150, edge));
        EXPECT_EQ(Slice(cols, 0, 33), Range(0, 33)) << edge;
        EXPECT_EQ(Slice(cols, 116, 149), Range(68, 101)) << edge;
        ExpectStretched(Slice(cols, 34, 115), 34, 67);
    }
    // An edge of a third or more also cuts thirds.
    auto big = SourceColumns(*StretchBarImage(&coded, 150, 34));
    EXPECT_EQ(Slice(big, 0, 33), Range(0, 33));
    EXPECT_EQ(Slice(big, 116, 149), Range(68, 101));
}

TEST(StretchBar, NothingToDraw) {
    const TZelSkinImage coded = Coded(102, 13);
    for (int width : {0, -7}) {
        auto out = StretchBarImage(&coded, width, 6);
        ASSERT_NE(out, nullptr);
        EXPECT_TRUE(out->Empty());
    }
    EXPECT_EQ(StretchBarImage(nullptr, 100, 6), nullptr);
}

TEST(Resize, BarBaseTo333KeepsThirds) {
    TZelSkinImage* base = SkinResManager()->GetImageByName("ZelSkinBar_base");
    auto real = ResizeSkinImage(base, 333, 13);
    EXPECT_EQ(real->Width(), 333);
    EXPECT_EQ(real->DrawMode(), base->DrawMode());

    const TZelSkinImage coded = Coded(102, 13);
    auto cols = SourceColumns(*ResizeSkinImage(&coded, 333, 13));
    ASSERT_EQ(cols.size(), 333u);
    EXPECT_EQ(Slice(cols, 0, 33), Range(0, 33));
    EXPECT_EQ(Slice(cols, 299, 332), Range(68, 101));
    ExpectStretched(Slice(cols, 34, 298), 34, 67); // 34 columns onto 265
}

TEST(Resize, BothAxesKeepCornersAndSameSizeIsACopy) {
    const TZelSkinImage coded = Coded(30, 30);
    auto big = ResizeSkinImage(&coded, 60, 45);
    ASSERT_EQ(big->Width(), 60);
    ASSERT_EQ(big->Height(), 45);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(big->Pixel(x, y), coded.Pixel(x, y));
            EXPECT_EQ(big->Pixel(50 + x, 35 + y), coded.Pixel(20 + x, 20 + y));
        }
    EXPECT_EQ(*ResizeSkinImage(&coded, 30, 30), coded);
    EXPECT_EQ(ResizeSkinImage(nullptr, 10, 10), nullptr);
    TZelSkinImage tiny = Coded(2, 2); // thirds of at least one pixel
    EXPECT_EQ(ResizeSkinImage(&tiny, 5, 5)->Pixel(4, 4), tiny.Pixel(1, 1));
}

TEST(NineSlice, PiecesAreCopiedNotBlended) {
    TZelSkinImage src(3, 3, Color32(255, 0, 0, 0)); // fully transparent red
    TZelSkinImage dst(6, 6, Color32(0, 0, 255));
    NineSliceDraw(src, dst, TRect{1, 1, 2, 2});
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(dst.Pixel(x, y), Color32(255, 0, 0, 0));
}

} // namespace
