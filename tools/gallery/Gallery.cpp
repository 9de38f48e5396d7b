#include "Gallery.h"

#include "gui/Controls.h"
#include "gui/Timers.h"
#include "skin/ZelSkinButtons.h"
#include "skin/ZelSkinControls.h"
#include "skin/ZelSkinForm.h"
#include "skin/ZelSkinMemo.h"
#include "skin/ZelSkinNCControls.h"
#include "skin/ZelSkinPng.h"
#include "skin/ZelSkinProgressBar.h"

#include <chrono>
#include <memory>

using namespace platform;
using namespace gui;

namespace {

struct GallerySettings : TWindow {
    GallerySettings() {
        SetBorderStyle(bsSizeable);
        SetBorderIcons(biSystemMenu);
        SetCaption("皮肤控件一览");
    }
};

struct GalleryWindow : GallerySettings {
    TZelSkinForm Frame{this};
    TZelSkinPanel Left{this};
    TZelSkinPanel Title{&Left};
    TZelSkinLabel TitleLabel{&Title};
    TZelSkinPanel Notes{&Left};
    TZelSkinLabel Red{&Notes};
    TZelSkinLabel Ellipsis{&Notes};
    TZelSkinLabel Plain{&Notes};
    TZelSkinPanel LogPanel{&Left};
    TZelSkinMemo Log{&LogPanel};
    TZelSkinLine Divider{this};
    TZelSkinPanel Client{this};
    // The main window's command row and progress panel.
    TZelSkinPanel Cmd{&Client};
    TZelSkinColorButton Start{&Cmd};
    TZelSkinColorButton CancelDownload{&Cmd};
    TZelSkinColorButton CloseButton{&Cmd};
    TZelSkinPanel Progress{&Client};
    TZelSkinPanel Command{&Progress};
    TZelSkinLabel Status{&Command};
    TZelSkinLabel FileLabel{&Progress};
    TZelSkinProgressBar FileBar{&Progress};
    TZelSkinLabel TotalLabel{&Progress};
    TZelSkinProgressBar TotalBar{&Progress};
    TZelSkinGroupBox Files{&Client};
    TZelSkinLine Horizontal{&Files};
    TZelSkinGroupBox Boxed{&Files};
    TZelSkinPanel Solid{&Boxed};
    TZelSkinLabel Wrapped{&Files};
    // Button states and faces, a slider and a bar with a caption.
    TZelSkinColorButton Normal{&Files}, Hot{&Files}, Pressed{&Files}, Disabled{&Files},
        Dropdown{&Files};
    TZelSkinColorButton Smooth{&Files}, Clipped{&Files}, Bordered{&Files}, Pictured{&Files},
        WordWrapped{&Files};
    TPopupMenu Menu;
    TZelSkinProgressBar Slider{&Files};
    TZelSkinProgressBar Captioned{&Files};
    // The title bar: caption with its halo, minimise, maximise and close.
    TZelSkinNCLabel TitleText{this};
    TZelSkinSystemButton MinButton{this}, MaxButton{this}, CloseTitleButton{this};

    GalleryWindow() {
        Frame.SetFlatFrame(true);
        Frame.SetTitleHeight(28);
        Frame.SetTitlerColor(12419072);
        Frame.SetColor(10329599);
        Frame.SetDoubleFrame(false);
        Frame.SetKeepTitlerColor(true);
        SetBounds(40, 40, 10, 10);
        SetClientSize(681, 450);

        Left.SetWidth(233);
        Left.SetAlign(alLeft);
        Left.SetBorderSides(0);
        Title.SetHeight(31);
        Title.SetAlign(alTop);
        Title.SetBorderSides(sdBottom);
        TitleLabel.SetAlign(alClient);
        TitleLabel.SetMargins({4, 4, 4, 4});
        TitleLabel.SetAlignmentHorizontal(taCenter);
        TitleLabel.SetAlignmentVertical(taVerticalCenter);
        TitleLabel.SetWordWap(true);
        TitleLabel.SetFont(TZelFont("宋体", 12, 10364507, fsBold));
        TitleLabel.SetCaption("Varnoke 桌面版");

        Notes.SetHeight(66);
        Notes.SetAlign(alTop);
        Notes.SetBorderSides(sdBottom);
        Red.SetFont(TZelFont("宋体", 12, clRed));
        Red.SetCaption("智能、高效、解放双手");
        Red.SetBounds(18, 13, Red.Width(), Red.Height());
        Ellipsis.SetAutoSize(false);
        Ellipsis.SetEllipsisPosition(epPathEllipsis);
        Ellipsis.SetBounds(18, 32, 120, 14);
        Ellipsis.SetCaption("C:\\Program Files\\Varnoke\\Resource\\app.ico");
        Plain.SetCaption("7×24h无人值守");
        Plain.Light().SetActive(false);
        Plain.SetBounds(150, 32, Plain.Width(), Plain.Height());

        LogPanel.SetAlign(alClient);
        LogPanel.SetBorderSides(0);
        Log.SetAlign(alClient);
        Log.SetMargins({6, 0, 0, 0});
        Log.SetScrollBars(ssVertical);
        Log.SetSoftBevel(true);
        Log.SetColor(clWhite);
        for (const char* line :
             {"1. 修复下载中断后无法继续的问题", "2. 新增自动更新日志显示", "3. 优化启动速度",
              "4. A long line in English that wraps inside the log view's width", "5. 其他改进"})
            Log.Append(line);

        Divider.SetKind(lkVertical);
        Divider.SetGradientStartColor(12419072);
        Divider.SetAlign(alLeft);

        Client.SetAlign(alClient);
        Client.SetBorderSides(0);
        Cmd.SetHeight(37);
        Cmd.SetAlign(alBottom);
        Cmd.SetBorderSides(sdTop);
        const TZelFont tahoma("Tahoma", 11, clWhite);
        auto command = [&](TZelSkinColorButton& b, const char* caption, int x, int w, TColor hot) {
            b.SetBounds(x, 3, w, 30);
            b.SetCaption(caption);
            b.SetNormalColor(16757007);
            b.SetHotColor(hot);
            b.SetFont(tahoma);
            b.SetHotFont(tahoma);
        };
        command(Start, "开始更新", 169, 87, 10317049);
        command(CancelDownload, "取消下载", 259, 80, 10317049);
        command(CloseButton, "关闭", 341, 80, 2237136);
        CancelDownload.SetEnabled(false);
        CloseButton.OnClick = [this](void*) { Close(); };

        Progress.SetHeight(88);
        Progress.SetAlign(alBottom);
        Progress.SetBorderSides(sdTop);
        Command.SetHeight(26);
        Command.SetAlign(alTop);
        Command.SetBorderSides(sdBottom);
        Status.SetAlign(alClient);
        Status.SetMargins({4, 4, 4, 4});
        Status.SetAlignmentHorizontal(taCenter);
        Status.SetAlignmentVertical(taVerticalCenter);
        Status.SetWordWap(true);
        Status.SetFont(TZelFont("宋体", 12, clBlue));
        Status.SetCaption(" 3/3");
        FileLabel.SetCaption("文件下载进度");
        FileLabel.SetBounds(15, 40, FileLabel.Width(), FileLabel.Height());
        TotalLabel.SetCaption("总体下载进度");
        TotalLabel.SetBounds(14, 63, TotalLabel.Width(), TotalLabel.Height());
        const TZelFont barFont("Tahoma", 11, clWindowText);
        FileBar.SetBounds(102, 36, 333, 22);
        FileBar.Caption().SetFont(barFont);
        FileBar.SetValue(62);
        FileBar.Caption().SetText("62%");
        TotalBar.SetBounds(102, 59, 333, 21);
        TotalBar.Caption().SetFont(barFont);
        TotalBar.SetMaxValue(9765);
        TotalBar.SetValue(3418);

        Files.SetAlign(alClient);
        Files.SetCaption("需要更新的文件");
        Files.CheckBox().SetVisible(true);
        Files.SetLight(true);
        Horizontal.SetBounds(10, 10, 400, 3);
        Boxed.SetFrameStyle(fsBox);
        Boxed.SetCaption("fsBox");
        Boxed.SetBounds(10, 30, 200, 120);
        Solid.SetBounds(10, 10, 170, 80);
        Solid.SetAlpha(255);
        Solid.SetColor(16757007);
        Wrapped.SetAutoSize(false);
        Wrapped.SetBounds(230, 40, 180, 60);
        Wrapped.SetWordWap(true);
        Wrapped.SetAlignmentVertical(taVerticalCenter);
        Wrapped.SetCaption("只显示第一行，居中显示的自动换行标签文字");

        const TZelFont small("宋体", 12, clWhite);
        auto state = [&](TZelSkinColorButton& b, const char* caption, int x, int y) {
            b.SetBounds(x, y, 78, 30);
            b.SetCaption(caption);
            b.SetFont(small);
            b.SetHotFont(small);
        };
        state(Normal, "正常", 10, 160);
        state(Hot, "热点", 94, 160);
        state(Pressed, "按下", 178, 160);
        state(Disabled, "禁用", 262, 160);
        state(Dropdown, "菜单", 346, 160);
        Hot.Perform(CM_MOUSEENTER);
        Pressed.SetDown(true);
        Disabled.SetEnabled(false);
        Dropdown.SetDropdownMenu(&Menu);
        state(Smooth, "圆角", 10, 196);
        Smooth.SetRoundFrame(true);
        Smooth.SetRoundSize(12);
        state(Clipped, "裁切圆角", 94, 196);
        Clipped.SetRoundFrame(true);
        Clipped.SetRoundSize(12);
        Clipped.SetSmoothRound(false);
        state(Bordered, "边框", 178, 196);
        Bordered.SetBorderSides(sdAll);
        Bordered.SetNormalColor(clWhite);
        Bordered.SetFont(TZelFont("宋体", 12, clBlack));
        state(Pictured, "图片", 262, 196);
        Pictured.SetImage("ZelSkinMenu_icon_check");
        Pictured.SetImageOffset({6, 7});
        Pictured.SetCaptionOffset({8, 0});
        state(WordWrapped, "文字较长的按钮自动换行", 346, 196);
        WordWrapped.SetWordWrap(true);
        WordWrapped.SetHeight(40);

        Slider.SetBounds(10, 245, 200, 22);
        Slider.TrackButton().SetNormal("ZelSkinSlider_dragBackground");
        Slider.TrackButton().SetVisible(true);
        Slider.SetValue(40);
        Captioned.SetBounds(230, 245, 200, 22);
        Captioned.Caption().SetFont(barFont);
        Captioned.Caption().SetText("50%");

        TitleText.SetFont(TZelFont("宋体", 14, clWhite));
        TitleText.Pos().SetXValue(8);
        TitleText.Pos().SetYValue(6);
        MinButton.SetKind(bkMinimize);
        MaxButton.SetKind(bkMaximize);
        for (auto* b : {&MinButton, &MaxButton, &CloseTitleButton})
            b->Picture().SetCount(3);
    }

    void WndProc(TMessage& m) override {
        if (m.Msg == WM_KEYDOWN && m.WParam == VK_ESCAPE) {
            Close();
            m.Result = 1;
            return;
        }
        GallerySettings::WndProc(m);
    }
};

} // namespace

TZelSkinImage RenderGallery() {
    GalleryWindow w;
    w.Show();
    // Until the start-flash timer has given the window its opacity back.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((w.AlphaBlend() || TimerActive(w.Handle(), 3)) &&
           std::chrono::steady_clock::now() < until)
        Application()->HandleMessage();
    Application()->ProcessMessages();
    TZelSkinImage image = WindowImage(w);
    w.Hide();
    return image;
}

void ShowGallery() {
    GalleryWindow w;
    w.CenterOnScreen();
    Application()->SetMainForm(&w);
    w.Show();
    Application()->Run();
    Application()->SetMainForm(nullptr);
}

bool WriteGallery(const std::string& pngPath, std::string* error) {
    return SavePngToFile(RenderGallery(), pngPath, error);
}
