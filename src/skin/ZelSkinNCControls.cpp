#include "skin/ZelSkinNCControls.h"

#include "gui/Timers.h"
#include "gui/WindowBackend.h"

#include <algorithm>

using namespace platform;
using namespace gui;

namespace {

constexpr WPARAM kNCTimer = 1;
constexpr uint32_t kNCTimerInterval = 100;
// Posted to the control itself: registration waits until the control is
// complete, and a control that ends before it arrives is never registered.
constexpr UINT kRegisterNow = WM_USER + 0x3030;

} // namespace

// ---------------------------------------------------------------------------
// TNCCtrlPos

void TNCCtrlPos::Changed() {
    if (!FLocked && OnChange) OnChange(this);
}
void TNCCtrlPos::SetWidth(int value) {
    if (value == FWidth) return;
    FWidth = value;
    Changed();
}
void TNCCtrlPos::SetYValue(int value) {
    if (!FLocked) FLastSetYValue = value;
    if (value == FYValue) return;
    FYValue = value;
    Changed();
}
void TNCCtrlPos::SetHeight(int value) {
    if (value == FHeight) return;
    FHeight = value;
    Changed();
}
void TNCCtrlPos::SetXValue(int value) {
    if (!FLocked) FLastSetXValue = value;
    if (value == FXValue) return;
    FXValue = value;
    Changed();
}
void TNCCtrlPos::SetAlign(TNCCtrlAlign value) {
    if (value == FAlign) return;
    FAlign = value;
    Changed();
}
void TNCCtrlPos::SetUseDefault(bool value) {
    if (value == FUseDefault) return;
    FUseDefault = value;
    Changed();
}

// ---------------------------------------------------------------------------
// TZelHintWindow

TZelHintWindow::TZelHintWindow() {
    SetBorderStyle(bsNone);
    SetExStyle(ExStyle() | WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE);
}

void TZelHintWindow::ActivateHint(const RECT& Screen, const std::string& Text) {
    SetCaption(Text);
    SetBounds(Screen.left, Screen.top, Screen.Width(), Screen.Height());
    Invalidate();
    if (!Visible()) Show();
}

void TZelHintWindow::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_ERASEBKGND: {
        HDC dc = DCFromWParam(m.WParam);
        DCFillRect(dc, DCLocalClip(dc), Color32(clInfoBk));
        m.Result = 1;
        return;
    }
    case WM_PAINT: {
        TZelSkinImage img(Width(), Height(), Color32(clInfoBk));
        TZelPainter p(img);
        p.FrameRect(img.BoundsRect(), Color32(118, 118, 118), dmOpaque);
        DrawText(p, FFont, Caption(), img.BoundsRect(),
                 tfCenter | tfVerticalCenter | tfSingleLine | tfNoPrefix);
        DrawImageToDC(DCFromWParam(m.WParam), 0, 0, img, img.BoundsRect(), dmOpaque);
        return;
    }
    default:
        TWindow::WndProc(m);
        return;
    }
}

// ---------------------------------------------------------------------------
// TZelSkinNCCtrlBase

TZelSkinNCCtrlBase::TZelSkinNCCtrlBase(TWindow* AOwner) : FOwnerForm(AOwner), FPos(AOwner) {
    FHandle = RegisterMessageTarget([this](UINT msg, WPARAM w, LPARAM) -> LRESULT {
        if (msg == WM_TIMER && w == kNCTimer) DoTimer();
        if (msg == kRegisterNow) TryRegister();
        return 0;
    });
    FPos.OnChange = [this](void*) { Invalidate(); };
    if (FOwnerForm) {
        PostMessageW(FHandle, kRegisterNow, 0, 0);
        StartTimer();
    }
}

TZelSkinNCCtrlBase::~TZelSkinNCCtrlBase() {
    KillTimers(FHandle);
    UnregisterMessageTarget(FHandle);
    if (Hooked() && ParentFrame()) ParentFrame()->DetachNCControl(this);
}

void TZelSkinNCCtrlBase::TryRegister() {
    if (Hooked() || !FOwnerForm) return;
    SendMessageW(FOwnerForm->Handle(), ZM_ADDNCCTRL,
                 reinterpret_cast<WPARAM>(static_cast<TZelSkinNCControl*>(this)), 0);
}

void TZelSkinNCCtrlBase::StartTimer() {
    if (!TimerActive(FHandle, kNCTimer)) gui::SetTimer(FHandle, kNCTimer, kNCTimerInterval);
}

void TZelSkinNCCtrlBase::SetVisible(bool value) {
    if (value == FVisible) return;
    FVisible = value;
    if (!value) HideHint();
    Invalidate();
}

int TZelSkinNCCtrlBase::Left() const {
    const int W = FOwnerForm ? FOwnerForm->Width() : 0;
    return FPos.Align() == caRight ? W - FPos.XValue() : FPos.XValue();
}

int TZelSkinNCCtrlBase::Top() const {
    return FPos.YValue();
}

TRect TZelSkinNCCtrlBase::ControlRect() const {
    const TPoint o = ClientRectOffset();
    return TRect::Bounds(Left(), Top(), GetWidth(), GetHeight()).Offset(o.X, o.Y);
}

bool TZelSkinNCCtrlBase::WindowMaximized() const {
    return FOwnerForm && (FOwnerForm->Style() & WS_MAXIMIZE) != 0;
}

void TZelSkinNCCtrlBase::Invalidate() {
    if (FOwnerForm) SendMessageW(FOwnerForm->Handle(), ZM_NCREPAINT, 0, 0);
}

void TZelSkinNCCtrlBase::RemoveSelf() {
    if (Hooked() && FOwnerForm)
        SendMessageW(FOwnerForm->Handle(), ZM_REMOVENCCTRL,
                     reinterpret_cast<WPARAM>(static_cast<TZelSkinNCControl*>(this)), 0);
    else
        delete this;
}

void TZelSkinNCCtrlBase::DoTimer() {
    if (!Hooked()) TryRegister();
    if (FMouseInControl && FOwnerForm) {
        // The frame hears no more moves once the cursor has left the window
        // or gone into its client area, so the timer looks for itself.
        const POINT c = GetCursorPos();
        bool gone = WindowFromPoint(c) != FOwnerForm;
        if (!gone)
            gone = !ControlRect().Contains(c.x - FOwnerForm->Left(), c.y - FOwnerForm->Top());
        if (gone) {
            FMouseInControl = false;
            MouseLeave();
        }
    }
    if (Hooked() && !FMouseInControl) KillTimer(FHandle, kNCTimer);
}

void TZelSkinNCCtrlBase::ShowHint() {
    if (FHint.empty()) return;
    if (!FHintWindow) FHintWindow = std::make_unique<TZelHintWindow>();
    const TSize text = TextExtent(FHintWindow->Font(), FHint);
    const POINT c = GetCursorPos();
    FHintWindow->ActivateHint({c.x + 16, c.y + 16, c.x + 16 + text.cx + 8, c.y + 16 + text.cy + 18},
                              FHint);
}

void TZelSkinNCCtrlBase::HideHint() {
    if (FHintWindow) FHintWindow->ReleaseHint();
}

void TZelSkinNCCtrlBase::MouseEnter() {
    if (!FVisible) return;
    Invalidate();
    ShowHint();
    if (OnMouseEnter) OnMouseEnter(this);
}

void TZelSkinNCCtrlBase::MouseLeave() {
    if (!FVisible) return;
    Invalidate();
    HideHint();
    if (OnMouseLeave) OnMouseLeave(this);
}

void TZelSkinNCCtrlBase::MouseMove(const TPoint& Pt) {
    (void)Pt;
}

void TZelSkinNCCtrlBase::LMouseDown(const TPoint& Pt) {
    (void)Pt;
    HideHint();
    if (OnLMouseDown) OnLMouseDown(this);
}

void TZelSkinNCCtrlBase::LMouseUp(const TPoint& Pt) {
    (void)Pt;
    if (OnLMouseUp) OnLMouseUp(this);
}

void TZelSkinNCCtrlBase::Paint(TZelSkinImage& TitleBar) {
    (void)TitleBar;
    // Maximised windows have their controls one pixel up and left.
    const int d = WindowMaximized() ? 1 : 0;
    FPos.Lock();
    FPos.SetXValue(FPos.LastSetXValue() - d);
    FPos.SetYValue(FPos.LastSetYValue() - d);
    FPos.UnLock();
}

void TZelSkinNCCtrlBase::NCMouseMove(const TPoint& Pt) {
    const bool inside = ControlRect().Contains(Pt.X, Pt.Y);
    if (inside != FMouseInControl) {
        FMouseInControl = inside;
        if (inside) {
            StartTimer();
            MouseEnter();
        } else {
            MouseLeave();
        }
    }
    if (inside) MouseMove(Pt);
}

// ---------------------------------------------------------------------------
// TZelSkinCustomNCButton

TZelSkinCustomNCButton::TZelSkinCustomNCButton(TWindow* AOwner) : TZelSkinNCCtrlBase(AOwner) {
    FPicture.SetPicturesChanged([this](void*) { PictureChanged(); });
}

void TZelSkinCustomNCButton::SetDown(bool value) {
    if (value == FDown) return;
    FDown = value;
    if (value && FGroupIndex > 0) ReleaseGroup();
    FState = value ? bsPressed : MouseInControl() ? bsHot : bsNormal;
    Invalidate();
}

void TZelSkinCustomNCButton::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    if (!value) FState = FDown ? bsPressed : bsNormal;
    Invalidate();
}

void TZelSkinCustomNCButton::SetCaption(const std::string& value) {
    if (value == FCaption) return;
    FCaption = value;
    Invalidate();
}
void TZelSkinCustomNCButton::SetFont(const TZelFont& value) {
    FFont = value;
    Invalidate();
}
void TZelSkinCustomNCButton::SetHotFont(const TZelFont& value) {
    FHotFont = value;
    Invalidate();
}
void TZelSkinCustomNCButton::SetCaptionOffset(TPoint value) {
    FCaptionOffset = value;
    Invalidate();
}

void TZelSkinCustomNCButton::PictureChanged() {
    Pos().SetWidth(FPicture.GetSingleWidth());
    Pos().SetHeight(FPicture.GetSingleHeight());
    Invalidate();
}

void TZelSkinCustomNCButton::ReleaseGroup() {
    TZelSkinForm* frame = ParentFrame();
    if (!frame) return;
    for (TZelSkinNCControl* c : std::vector(frame->NCControls()))
        if (auto* b = dynamic_cast<TZelSkinCustomNCButton*>(c);
            b && b != this && b->FGroupIndex == FGroupIndex)
            b->SetDown(false);
}

void TZelSkinCustomNCButton::Click() {
    if (FEnabled && OnClick) OnClick(this);
}

void TZelSkinCustomNCButton::MouseEnter() {
    if (FEnabled) {
        FState = FDown ? bsPressed : bsHot;
        if (FCursor != crDefault) {
            WindowBackend()->SetCursor(FCursor);
            FOwnCursor = true;
        }
    }
    TZelSkinNCCtrlBase::MouseEnter();
}

void TZelSkinCustomNCButton::MouseLeave() {
    if (FEnabled) FState = FDown ? bsPressed : bsNormal;
    if (FOwnCursor) {
        FOwnCursor = false;
        WindowBackend()->SetCursor(crDefault);
    }
    TZelSkinNCCtrlBase::MouseLeave();
}

void TZelSkinCustomNCButton::MouseMove(const TPoint& Pt) {
    if (FOwnCursor) WindowBackend()->SetCursor(FCursor);
    TZelSkinNCCtrlBase::MouseMove(Pt);
}

void TZelSkinCustomNCButton::LMouseDown(const TPoint& Pt) {
    if (FEnabled) FState = bsPressed;
    Invalidate();
    TZelSkinNCCtrlBase::LMouseDown(Pt);
}

void TZelSkinCustomNCButton::LMouseUp(const TPoint& Pt) {
    if (!FEnabled || !Visible()) {
        Invalidate();
        TZelSkinNCCtrlBase::LMouseUp(Pt);
        return;
    }
    if (FAllowAllUp)
        SetDown(!FDown);
    else if (FGroupIndex <= 0)
        FState = bsHot;
    else
        SetDown(true);
    Invalidate();
    TZelSkinNCCtrlBase::LMouseUp(Pt);
    Click();
}

void TZelSkinCustomNCButton::Paint(TZelSkinImage& TitleBar) {
    TZelSkinNCCtrlBase::Paint(TitleBar);
    TZelPainter p(TitleBar);
    const TRect r = ControlRect();
    if (FPicture.Active()) {
        int index = FPicture.Normal();
        if (!FEnabled)
            index = FPicture.Disable();
        else if (FState == bsHot)
            index = FPicture.Hot();
        else if (FState == bsPressed)
            index = FPicture.Pressed();
        if (auto frame = FPicture.GetFrame(index))
            p.Draw(r.Left, r.Top, *frame, frame->BoundsRect(), dmBlend);
    }
    if (!FCaption.empty()) {
        const TZelFont& font = FState == bsNormal ? FFont : FHotFont;
        const TRect m = MeasureText(font, FCaption, {0, 0, 1 << 20, 1 << 20}, tfSingleLine);
        const TRect text = TRect::Bounds(r.Left + FCaptionOffset.X, r.Top + FCaptionOffset.Y,
                                         m.Width(), m.Height());
        DrawText(p, font, FCaption, text, tfSingleLine);
        // The control grows to hold its caption; no change to report.
        Pos().Lock();
        Pos().SetWidth(std::max(Pos().Width(), FCaptionOffset.X + m.Width()));
        Pos().SetHeight(std::max(Pos().Height(), FCaptionOffset.Y + m.Height()));
        Pos().UnLock();
    }
}

// ---------------------------------------------------------------------------
// TZelSkinSystemButton

TZelSkinSystemButton::TZelSkinSystemButton(TWindow* AOwner) : TZelSkinCustomNCButton(AOwner) {
    Pos().SetAlign(caRight);
    Pos().SetXValue(40);
    Pos().SetYValue(-1);
    Pos().SetUseDefault(true);
    Picture().SetActive(true);
    Picture().SetImage(FCloseImage);
}

const TZelResID& TZelSkinSystemButton::KindImage() const {
    switch (FKind) {
    case bkMinimize:
        return FMinimizeImage;
    case bkMaximize:
        return FMaximizeImage;
    default:
        return FCloseImage;
    }
}

void TZelSkinSystemButton::SetKind(TSystemButtonKind value) {
    if (value == FKind) return;
    FKind = value;
    UpdateKind();
}

void TZelSkinSystemButton::SetCloseImage(const TZelResID& value) {
    FCloseImage = value;
    UpdateKind();
}
void TZelSkinSystemButton::SetMinimizeImage(const TZelResID& value) {
    FMinimizeImage = value;
    UpdateKind();
}
void TZelSkinSystemButton::SetMaximizeImage(const TZelResID& value) {
    FMaximizeImage = value;
    UpdateKind();
}
void TZelSkinSystemButton::SetRestoresizeImage(const TZelResID& value) {
    FRestoresizeImage = value;
    Invalidate();
}

void TZelSkinSystemButton::UpdateKind() {
    // Setting the image comes back here through PictureChanged.
    if (FUpdatingKind) return;
    FUpdatingKind = true;
    Picture().SetImage(KindImage());
    if (Pos().UseDefault()) {
        Pos().SetAlign(caRight);
        Pos().SetXValue(FKind == bkClose ? 40 : FKind == bkMaximize ? 68 : 96);
        Pos().SetYValue(-1);
    }
    FUpdatingKind = false;
}

void TZelSkinSystemButton::PictureChanged() {
    TZelSkinCustomNCButton::PictureChanged();
    UpdateKind();
}

void TZelSkinSystemButton::Paint(TZelSkinImage& TitleBar) {
    if (FKind == bkMaximize) {
        Picture().Lock();
        Picture().SetImage(WindowMaximized() ? FRestoresizeImage : FMaximizeImage);
        Picture().UnLock();
    }
    TZelSkinCustomNCButton::Paint(TitleBar);
}

void TZelSkinSystemButton::LMouseUp(const TPoint& Pt) {
    const bool enabled = Enabled();
    TZelSkinCustomNCButton::LMouseUp(Pt);
    if (!enabled || !OwnerForm()) return;
    WPARAM cmd = SC_CLOSE;
    if (FKind == bkMinimize) cmd = SC_MINIMIZE;
    if (FKind == bkMaximize) cmd = WindowMaximized() ? SC_RESTORE : SC_MAXIMIZE;
    SendMessageW(OwnerForm()->Handle(), WM_SYSCOMMAND, cmd, 0);
}

// ---------------------------------------------------------------------------
// TZelSkinNCLabel

TZelSkinNCLabel::TZelSkinNCLabel(TWindow* AOwner)
    : TZelSkinNCCtrlBase(AOwner), FCaption(AOwner ? AOwner->Caption() : "NCLabel") {
    Pos().SetXValue(5);
    Pos().SetYValue(5);
    FLight.OnChanged = [this](void*) { Invalidate(); };
}

void TZelSkinNCLabel::SetCaption(const std::string& value) {
    if (value == FCaption) return;
    FCaption = value;
    Invalidate();
}
void TZelSkinNCLabel::SetFont(const TZelFont& value) {
    if (value == FFont) return;
    FFont = value;
    Invalidate();
}
void TZelSkinNCLabel::SetRenderText(bool value) {
    FRenderText = value;
    Invalidate();
}
void TZelSkinNCLabel::SetMaxWidth(int value) {
    FMaxWidth = std::max(0, value);
    Invalidate();
}
void TZelSkinNCLabel::SetEllipsisPosition(TEllipsisPosition value) {
    FEllipsisPosition = value;
    Invalidate();
}

TTextFormat TZelSkinNCLabel::TextFlags() const {
    TTextFormat f = tfLeft | tfSingleLine;
    if (FMaxWidth > 0) f |= EllipsisFlags(FEllipsisPosition);
    return f;
}

TRect TZelSkinNCLabel::Measure() const {
    const int w = FMaxWidth > 0 ? FMaxWidth : 1 << 20;
    TRect m = MeasureText(FFont, FCaption, {0, 0, w, 1 << 20}, TextFlags());
    if (FMaxWidth > 0) m.Right = std::min(m.Right, m.Left + FMaxWidth);
    return m;
}

int TZelSkinNCLabel::GetWidth() const {
    return Measure().Width();
}
int TZelSkinNCLabel::GetHeight() const {
    return Measure().Height();
}

void TZelSkinNCLabel::Paint(TZelSkinImage& TitleBar) {
    TZelSkinNCCtrlBase::Paint(TitleBar);
    if (FCaption.empty()) return;
    TZelPainter p(TitleBar);
    const TRect r = ControlRect();
    const TTextFormat flags = TextFlags();
    TZelFont font = FFont;
    if (FRenderText) font.SetQuality(fqAntialiased);
    if (FLight.Active())
        DrawGlowText(p, font, r, FCaption, FLight.BlurRadius(), FLight.Color(), flags);
    DrawText(p, font, FCaption, r, flags);
}

void TZelSkinNCLabel::LMouseDown(const TPoint& Pt) {
    if (FCaptureMouse && OwnerForm()) {
        OwnerForm()->SetCaptureControl(nullptr);
        SendMessageW(OwnerForm()->Handle(), WM_SYSCOMMAND, SC_DRAGMOVE, 0);
    }
    TZelSkinNCCtrlBase::LMouseDown(Pt);
}
