#include "platform/Md5.h"
#include "skin/ZelSkinLibraryData.h"
#include "skin/ZelSkinPng.h"
#include "skin/ZelSkinRes.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const char* const kLibraryOrder[] = {
    "ZelSkinCheckBox",
    "ZelSkinButton",
    "ZelSkinRadiobtn",
    "ZelSkinDropdownMenu",
    "ZelSkinFlatBtn",
    "ZelSkinMsgIcon_Error",
    "ZelSkinMsgIcon_Warn",
    "ZelSkinMsgIcon_Info",
    "ZelSkinMsgIcon_OK",
    "ZelSkinMsgIcon_Question",
    "ZelSkinBorderHot",
    "ZelSkinBorderNormal",
    "ZelSkinBtn_close",
    "ZelSkinBtn_max",
    "ZelSkinBtn_mini",
    "ZelSkinBtn_restore",
    "ZelSkinTips_close",
    "ZelSkinSlider_dragBackground",
    "ZelSkinPreview_bkg",
    "ZelSkinSlider_Aio_light_bkg",
    "ZelSkinPasswordchar",
    "ZelSkinKeyboard",
    "ZelSkinDrop_arrow_hot",
    "ZelSkinDrop_arrow_normal",
    "ZelSkinExpand_1",
    "ZelSkinExpand_2",
    "ZelSkinCancel_18_Normal",
    "ZelSkinCancel_18_Hot",
    "ZelSkinMenu_bk",
    "ZelSkinMenu_hilight",
    "ZelSkinMenu_sub_arrow",
    "ZelSkinMenu_icon_check",
    "ZelSkinMenu_icon_radio",
    "ZelSkinTabDown",
    "ZelSkinTabHover",
    "ZelSkinTab_button_normal",
    "ZelSkinTab_button_hot",
    "ZelSkinTab_button_down",
    "ZelSkinBar_base",
    "ZelSkinBar_cur",
    "ZelSkinScrollbar_bar_down",
    "ZelSkinScrollbar_bar_highlight",
    "ZelSkinScrollbar_bar_normal",
    "ZelSkinScrollbar_bkg",
    "ZelSkinScrollbar_arrowdown_normal",
    "ZelSkinScrollbar_arrowup_normal",
    "ZelSkinScrollbar_horz_bkg",
    "ZelSkinScrollbar_horzbar_down",
    "ZelSkinScrollbar_horzbar_highlight",
    "ZelSkinScrollbar_horzbar_normal",
    "ZelSkinScrollbar_arrowleft_normal",
    "ZelSkinScrollbar_arrowright_normal",
    "ZelSkinScrollbar_arrowdown_down",
    "ZelSkinScrollbar_arrowdown_highlight",
    "ZelSkinScrollbar_arrowleft_down",
    "ZelSkinScrollbar_arrowleft_highlight",
    "ZelSkinScrollbar_arrowright_down",
    "ZelSkinScrollbar_arrowright_highlight",
    "ZelSkinScrollbar_arrowup_down",
    "ZelSkinScrollbar_arrowup_highlight",
    "ZelSkinDrag_flag",
    "ZelSkinSwitch_on",
    "ZelSkinSwitch_off",
    "ZelSkinMini_close_btn",
    "ZelSkinColor_tabs",
    "ZelSkinBrower_back",
    "ZelSkinBrower_front",
    "ZelSkinBrower_up",
    "ZelSkinBrower_down",
    "ZelSkinSearch_icon",
    "ZelSkinCalendar_18_N",
    "ZelSkinCalendar_18_H",
    "ZelSkinSpin_normal_up",
    "ZelSkinSpin_highlight_up",
    "ZelSkinSpin_pushed_up",
    "ZelSkinSpin_normal_down",
    "ZelSkinSpin_highlight_down",
    "ZelSkinSpin_pushed_down",
    "ZelSkinToolbtn",
    "ZelSkinCheckedCheckbox_18",
    "ZelSkinCheckedCheckbox_h_18",
    "ZelSkinUncheckedCheckbox_18",
    "ZelSkinUncheckedCheckbox_h_18",
};

TEST(Library, HoldsTheImagesInTheirOrderWithModesAndResampler) {
    TZelSkinResDM* dm = ZelSkinResDM();
    EXPECT_EQ(dm->Name(), "ZelSkinResDM");
    EXPECT_EQ(dm->ZelSkinImageListMain.Name(), "ZelSkinImageListMain");
    const auto& items = dm->ZelSkinImageListMain.Bitmaps();
    ASSERT_EQ(items.Count(), 83);
    ASSERT_EQ(kZelSkinLibraryCount, 83u);
    for (int i = 0; i < 83; ++i) {
        const TZelSkinBitmapItem* item = items.Items(i);
        EXPECT_EQ(item->ResID(), kLibraryOrder[i]);
        EXPECT_EQ(item->Bitmap().ResamplerClassName(), "TNearestResampler") << kLibraryOrder[i];
        EXPECT_FALSE(item->Bitmap().Empty()) << kLibraryOrder[i];
        const bool tabDown = item->ResID() == "ZelSkinTabDown";
        EXPECT_EQ(item->Bitmap().DrawMode(), tabDown ? dmOpaque : dmBlend) << kLibraryOrder[i];
        EXPECT_EQ(kZelSkinLibrary[i].HasDrawMode, !tabDown) << kLibraryOrder[i];
        const TZelSkinImage& b = item->Bitmap();
        EXPECT_EQ(kZelSkinLibrary[i].Size, 8 + 4 * size_t(b.Width()) * size_t(b.Height()));
    }
}

// The pictures are drawn at build time by each build's own generator (under
// Wine for Windows); anti-aliased shapes must not come out differently.
TEST(Library, PixelsAreTheSameInBothBuilds) {
    platform::Md5 md5;
    for (size_t i = 0; i < kZelSkinLibraryCount; ++i)
        md5.Update(kZelSkinLibrary[i].Data, kZelSkinLibrary[i].Size);
    EXPECT_EQ(md5.HexDigest(), "aa192dc32b8f515c899ae4abdd4d5b49");
}

TEST(Library, FixedSizes) {
    const struct {
        const char* name;
        int w, h;
    } sizes[] = {{"ZelSkinCheckBox", 68, 17},    {"ZelSkinDropdownMenu", 60, 32},
                 {"ZelSkinFlatBtn", 66, 22},     {"ZelSkinBtn_close", 117, 19},
                 {"ZelSkinBtn_max", 84, 19},     {"ZelSkinBtn_mini", 84, 19},
                 {"ZelSkinBtn_restore", 84, 19}, {"ZelSkinBar_base", 102, 13},
                 {"ZelSkinBar_cur", 102, 13}};
    for (const auto& s : sizes) {
        TZelSkinImage* img = SkinResManager()->GetImageByName(s.name);
        ASSERT_NE(img, nullptr) << s.name;
        EXPECT_EQ(img->Width(), s.w) << s.name;
        EXPECT_EQ(img->Height(), s.h) << s.name;
    }
}

TEST(Library, PicturesHaveInkAndTransparency) {
    // The close button's normal frame lets the title bar show through; its
    // hot frame is a solid red face.
    TZelSkinImage* close = SkinResManager()->GetImageByName("ZelSkinBtn_close");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(AlphaOf(close->Pixel(1, 1)), 0);
    const TColor32 hot = close->Pixel(39 + 1, 1);
    EXPECT_EQ(AlphaOf(hot), 255);
    EXPECT_GT(RedOf(hot), 200);
    EXPECT_LT(GreenOf(hot), 60);
    // The check box's checked frame differs from the unchecked one.
    TZelSkinImage* check = SkinResManager()->GetImageByName("ZelSkinCheckBox");
    ASSERT_NE(check, nullptr);
    EXPECT_NE(check->CopyRect(TRect::Bounds(0, 0, 17, 17)).SaveToData(),
              check->CopyRect(TRect::Bounds(34, 0, 17, 17)).SaveToData());
}

struct LookupCase {
    const char* name;
    const char* lookup;
    const char* expected; // nullptr: none
};
void PrintTo(const LookupCase& c, std::ostream* os) {
    *os << c.name;
}

class Lookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(Lookup, TrimmedUpperCasedNames) {
    TZelSkinImage* img = SkinResManager()->GetImageByName(GetParam().lookup);
    if (!GetParam().expected) {
        EXPECT_EQ(img, nullptr);
        return;
    }
    const int index = SkinResManager()->IndexOfRes(GetParam().expected);
    ASSERT_GE(index, 0);
    EXPECT_EQ(img, &SkinResManager()->ImageList()->Bitmaps().Items(index)->Bitmap());
    EXPECT_EQ(SkinResManager()->IndexOfRes(GetParam().lookup), index);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Lookup,
    ::testing::Values(LookupCase{"lower_case_with_blanks", "  zelskinbar_cur  ", "ZelSkinBar_cur"},
                      LookupCase{"upper_case_tab_and_line_break", "\tZELSKINBTN_CLOSE\r\n",
                                 "ZelSkinBtn_close"},
                      LookupCase{"exact", "ZelSkinTabDown", "ZelSkinTabDown"},
                      LookupCase{"empty", "", nullptr}, LookupCase{"blanks", "   ", nullptr},
                      LookupCase{"unknown", "ZelSkinNoSuchPicture", nullptr},
                      LookupCase{"inner_blank_is_kept", "ZelSkin Bar_cur", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// Runs a test in a fresh current folder.
class InTempFolder : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::filesystem::path old;
    void SetUp() override {
        old = std::filesystem::current_path();
        std::filesystem::current_path(dir.Path());
    }
    void TearDown() override { std::filesystem::current_path(old); }

    static void WritePicture(const std::string& path, int w, int h, TColor32 c) {
        ASSERT_TRUE(SavePngToFile(TZelSkinImage(w, h, c), path));
    }
};

TEST_F(InTempFolder, AFileOfThatNameComesFirst) {
    // A PNG named like a library image, without extension: the general loader.
    WritePicture("ZelSkinBar_cur", 5, 4, Color32(1, 2, 3, 200));
    TZelSkinImage* img = SkinResManager()->GetImageByName("ZelSkinBar_cur");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->Width(), 5);
    EXPECT_EQ(img->DrawMode(), dmOpaque);
    EXPECT_EQ(SkinResManager()->GetImageByName("ZelSkinBar_cur"), img); // cached
    // Leave the shared manager as it was for the other tests.
    auto& runTime = SkinResManager()->RunTimeImageList()->Bitmaps();
    runTime.Delete(SkinResManager()->IndexOfFileName_RunTime("ZelSkinBar_cur"));
}

TEST_F(InTempFolder, AFileThatDoesNotLoadFallsBackToTheLibrary) {
    testsupport::WriteFile("ZelSkinBar_base", "not a picture");
    TZelSkinImage* img = SkinResManager()->GetImageByName("ZelSkinBar_base");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->Width(), 102);
    EXPECT_EQ(SkinResManager()->IndexOfFileName_RunTime("ZelSkinBar_base"), -1);
}

TEST_F(InTempFolder, RunTimeImagesAreCachedByTrimmedUpperCasedFileName) {
    TZelSkinImageList library;
    TZelSkinResManager manager(&library);
    WritePicture("Face.PNG", 3, 3, Color32(9, 9, 9, 100));
    TZelSkinImage* img = manager.GetImageByFileName("Face.PNG");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->DrawMode(), dmBlend);
    EXPECT_EQ(manager.GetImageByFileName(" face.png "), img);
    EXPECT_EQ(manager.RunTimeImageList()->Bitmaps().Count(), 1);
    EXPECT_EQ(manager.IndexOfFileName_RunTime("FACE.png"), 0);
    EXPECT_EQ(manager.GetImageByFileName("missing.png"), nullptr);
    EXPECT_EQ(manager.RunTimeImageList()->Bitmaps().Count(), 1);
}

TEST_F(InTempFolder, AddReplaceAndDelete) {
    TZelSkinImageList library;
    TZelSkinResManager manager(&library);
    manager.BeginUpdate();
    EXPECT_EQ(manager.AddRes(TZelSkinImage(2, 2, Color32(1, 1, 1)), "First", "one"), 0);
    manager.EndUpdate();
    WritePicture("second.png", 4, 1, Color32(2, 2, 2));
    EXPECT_EQ(manager.AddRes(std::string("second.png"), "", "two"), 1);
    EXPECT_EQ(library.Bitmaps().Items(1)->ResID(), "second"); // from the file name
    EXPECT_EQ(manager.IndexOfRes(" SECOND "), 1);

    WritePicture("third.png", 7, 7, Color32(3, 3, 3, 50));
    EXPECT_EQ(manager.ReplaceRes("first", "third.png", "now third", "Third"), 0);
    const TZelSkinBitmapItem* item = library.Bitmaps().Items(0);
    EXPECT_EQ(item->ResID(), "Third");
    EXPECT_EQ(item->Description(), "now third");
    EXPECT_EQ(item->Bitmap().Width(), 7);
    EXPECT_EQ(manager.ReplaceRes("nothing", "third.png", "", ""), -1);
    EXPECT_EQ(manager.ReplaceRes("Third", "missing.png", "", ""), -1);
    EXPECT_EQ(library.Bitmaps().Items(0)->Bitmap().Width(), 7);

    // Delete takes the library item first, then the run-time item.
    manager.Delete("third");
    EXPECT_EQ(manager.IndexOfRes("Third"), -1);
    ASSERT_EQ(manager.IndexOfFileName_RunTime("second.png"), 0);
    manager.Delete("second.png");
    EXPECT_EQ(manager.IndexOfFileName_RunTime("second.png"), -1);
    EXPECT_EQ(manager.IndexOfRes("second"), 0);
}

TEST(Library, ItemsAssignCopies) {
    TZelSkinBitmapItem item;
    TZelSkinImage img(1, 1, 5);
    img.SetDrawMode(dmBlend);
    item.SetBitmap(img);
    img.SetPixel(0, 0, 6);
    EXPECT_EQ(item.Bitmap().Pixel(0, 0), 5u);
    EXPECT_EQ(item.Bitmap().DrawMode(), dmBlend);
}

} // namespace
