// Pictures for a person to look at: composed elements and the library's
// contact sheet, written under the build folder. They assert only that they
// were written.
#include "ContactSheet.h"
#include "skin/ZelSkinPictures.h"
#include "skin/ZelSkinPng.h"
#include "skin/ZelSkinText.h"

#include <gtest/gtest.h>

namespace {

const std::string kOut = SKIN_TEST_OUTPUT_DIR;

TEST(Golden, ComposedElements) {
    const int W = 480, H = 260;
    TZelSkinImage img(W, H, Color32(clBtnFace));
    TZelPainter p(img);
    // Window background: title colour to client colour over 168 rows.
    p.GradientVertical({0, 0, W, 168}, Color32(TColor(12419072)), Color32(TColor(10329599)));
    p.FillRect({0, 168, W, H}, Color32(TColor(10329599)));

    // Title bar: caption with its halo and the close button (normal and hot).
    const TZelFont caption("宋体", 14, clWhite);
    const std::string title = "发现新的升级文件";
    const TSize ext = TextExtent(caption, title);
    const TRect titleRect = TRect::Bounds(8, 6, ext.cx, ext.cy);
    DrawGlowText(p, caption, titleRect, title, 1, TColor(16777214), tfSingleLine | tfNoPrefix);
    DrawText(p, caption, title, titleRect, tfSingleLine | tfNoPrefix);
    TPngPictures close;
    close.SetImage("ZelSkinBtn_close");
    p.Draw(W - 40, -1, *close.GetNormalImage());
    p.Draw(W - 90, -1, *close.GetHotImage());

    // A panel at alpha 192 with a double border.
    const TRect panel{12, 40, W - 12, 150};
    p.FillRect({panel.Left + 2, panel.Top + 2, panel.Right - 2, panel.Bottom - 2}, clWhite, 192);
    p.FrameRect(panel, Color32(TColor(14273466)));
    p.FrameRect({panel.Left + 1, panel.Top + 1, panel.Right - 1, panel.Bottom - 1},
                Color32(255, 255, 255));
    const TZelFont body("宋体", 12, clBlack);
    DrawText(p, body, "智能、高效、解放双手。本次更新包含以下文件，请点击开始更新下载安装。",
             {24, 50, 250, 100}, tfWordBreak);
    const TZelFont red("宋体", 12, clRed);
    DrawText(p, red, "C:\\Program Files\\Varnoke\\Resource\\app.ico", {24, 110, 200, 124},
             tfPathEllipsis | tfSingleLine | tfNoPrefix);

    // Check boxes: the four frames.
    auto boxes = SplitSkinImage(SkinResManager()->GetImageByName("ZelSkinCheckBox"), 4);
    for (size_t i = 0; i < boxes.size(); ++i)
        p.Draw(280 + int(i) * 24, 60, *boxes[i]);
    DrawText(p, body, "选择全部", {280, 84, 460, 100}, tfSingleLine);

    // Progress bar 333 × 22 at 50 %: base resized, filled part stretched.
    const int barY = 170, barH = 22;
    auto base = ResizeSkinImage(SkinResManager()->GetImageByName("ZelSkinBar_base"), 333, 13);
    auto cur = StretchBarImage(SkinResManager()->GetImageByName("ZelSkinBar_cur"), 166, 6);
    p.Draw(100, barY + (barH - 13) / 2, *base);
    p.Draw(100, barY + (barH - 13) / 2, *cur);
    const TZelFont tahoma("Tahoma", 11, clWindowText);
    DrawText(p, tahoma, "50%", TRect::Bounds(100, barY, 333, barH),
             tfCenter | tfVerticalCenter | tfSingleLine);
    DrawText(p, body, "文件进度:", {20, barY, 96, barY + barH},
             tfRight | tfVerticalCenter | tfSingleLine);

    // A colour button face with its caption.
    const TRect button = TRect::Bounds(370, 215, 90, 30);
    p.FillRect(button, Color32(TColor(16757007)));
    DrawText(p, TZelFont("Tahoma", 11, clWhite), "开始更新", button,
             tfCenter | tfVerticalCenter | tfSingleLine);

    ASSERT_TRUE(SavePngToFile(img, kOut + "/skin_golden.png"));
}

TEST(Golden, ContactSheetOfTheLibrary) {
    const TZelSkinImage sheet = MakeContactSheet();
    EXPECT_FALSE(sheet.Empty());
    EXPECT_NE(ListLibrary().find("82\tZelSkinUncheckedCheckbox_h_18"), std::string::npos);
    ASSERT_TRUE(SavePngToFile(sheet, kOut + "/skin_contact_sheet.png"));
}

} // namespace
