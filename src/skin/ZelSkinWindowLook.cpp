#include "skin/ZelSkinWindowLook.h"

void SetupWindowFrame(TZelSkinForm& frame) {
    frame.SetFlatFrame(true);
    frame.SetTitleHeight(kWindowTitleHeight);
    frame.SetTitlerColor(12419072);
    frame.SetColor(10329599);
    frame.SetFrameColor(clTeal);
    frame.SetDoubleFrame(false);
    frame.SetKeepTitlerColor(true);
}

void SetupWindowTitle(TZelSkinNCLabel& title, const std::string& caption, const TZelFont& font) {
    title.SetCaption(caption);
    title.SetFont(font);
    title.Pos().SetUseDefault(false);
    title.Pos().SetAlign(caLeft);
    title.Pos().SetXValue(8);
    title.Pos().SetYValue(6);
}

void SetupCloseButton(TZelSkinSystemButton& button) {
    button.Pos().SetAlign(caRight);
    button.Pos().SetXValue(40);
    button.Pos().SetYValue(-1);
    button.Pos().SetUseDefault(true);
    button.Picture().SetImage("ZelSkinBtn_close");
    button.Picture().SetCount(3);
    button.Picture().SetNormal(0);
    button.Picture().SetHot(1);
    button.Picture().SetPressed(2);
    button.Picture().SetDisable(0);
    button.Picture().SetActive(true);
}
