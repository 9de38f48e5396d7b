#include "Gallery.h"

#include "platform/Controls.h"
#include "platform/Timers.h"
#include "skin/ZelSkinControls.h"
#include "skin/ZelSkinForm.h"
#include "skin/ZelSkinMemo.h"
#include "skin/ZelSkinPng.h"

#include <chrono>
#include <memory>

using namespace platform;

namespace {

// The window's title, painted into the title bar with its halo.
class GalleryTitle : public TZelSkinNCControl {
public:
    explicit GalleryTitle(std::string text) : FText(std::move(text)) {}
    void Paint(TZelSkinImage& bar) override {
        TZelPainter p(bar);
        TZelFont font("宋体", 14, clWhite);
        TRect r = ControlRect();
        DrawGlowText(p, font, r, FText, 1, 16777214, tfLeft | tfSingleLine);
        DrawText(p, font, FText, r, tfLeft | tfSingleLine);
    }
    void NCMouseMove(const TPoint&) override {}
    void LMouseDown(const TPoint&) override {}
    void LMouseUp(const TPoint&) override {}
    bool Visible() const override { return true; }
    bool MouseInControl() const override { return false; }
    TRect ControlRect() const override { return {8, 6, 300, 22}; }

private:
    std::string FText;
};

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
    TZelSkinPanel Cmd{&Client};
    TZelSkinLabel Status{&Cmd};
    TZelSkinGroupBox Files{&Client};
    TZelSkinLine Horizontal{&Files};
    TZelSkinGroupBox Boxed{&Files};
    TZelSkinPanel Solid{&Boxed};
    TZelSkinLabel Wrapped{&Files};

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
        Status.SetAlign(alClient);
        Status.SetMargins({4, 4, 4, 4});
        Status.SetAlignmentHorizontal(taCenter);
        Status.SetAlignmentVertical(taVerticalCenter);
        Status.SetWordWap(true);
        Status.SetFont(TZelFont("宋体", 12, clBlue));
        Status.SetCaption(" 3/3");

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
    auto* title = new GalleryTitle(w.Caption());
    PostMessageW(w.Handle(), ZM_ADDNCCTRL, reinterpret_cast<WPARAM>(title), 0);
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
    PostMessageW(w.Handle(), ZM_ADDNCCTRL, reinterpret_cast<WPARAM>(new GalleryTitle(w.Caption())),
                 0);
    w.CenterOnScreen();
    Application()->SetMainForm(&w);
    w.Show();
    Application()->Run();
    Application()->SetMainForm(nullptr);
}

bool WriteGallery(const std::string& pngPath, std::string* error) {
    return SavePngToFile(RenderGallery(), pngPath, error);
}
