#include "skin/ZelSkinForm.h"

#include "gui/WindowBackend.h"

#include <algorithm>
#include <map>

using namespace platform;
using namespace gui;

// Lets the skinned controls of a window repaint their own frames; defined
// with the controls.
void RepaintSkinControlsOf(TWindow* window);

namespace {

constexpr WPARAM kResizeTimer = 2;
constexpr WPARAM kStartFlashTimer = 3;
constexpr WPARAM kMainMenuTimer = 4;

std::map<const TControl*, TZelSkinForm*>& Frames() {
    static auto* m = new std::map<const TControl*, TZelSkinForm*>();
    return *m;
}

} // namespace

// ---------------------------------------------------------------------------
// TZelHookWindowProc

TZelHookWindowProc::TZelHookWindowProc(TWindow* AOwner) : FDestForm(AOwner) {
    if (!FDestForm) return;
    FOldWindowProc = FDestForm->WindowProc();
    FDestForm->SetWindowProc([this](TMessage& m) { HookWndProc(m); });
}

TZelHookWindowProc::~TZelHookWindowProc() {
    if (FDestForm) FDestForm->SetWindowProc(FOldWindowProc);
}

void TZelHookWindowProc::HookWndProc(TMessage& Message) {
    CallOldWindowProc(Message);
}

// ---------------------------------------------------------------------------
// TZelFormSkinHelper

TZelSkinForm* TZelFormSkinHelper::FindSkinForm(const TControl* form) {
    auto it = Frames().find(form);
    return it == Frames().end() ? nullptr : it->second;
}

void TZelFormSkinHelper::Add(TWindow* form, TZelSkinForm* frame) {
    Frames()[form] = frame;
}

void TZelFormSkinHelper::Remove(TZelSkinForm* frame) {
    for (auto it = Frames().begin(); it != Frames().end();)
        it = it->second == frame ? Frames().erase(it) : std::next(it);
}

// ---------------------------------------------------------------------------
// TZelSkinForm

TZelSkinForm::TZelSkinForm(TWindow* AOwner) : TZelHookWindowProc(AOwner) {
    FNCBackColor = FTitlerColor;
    FClientBackColor = FColor;
    FSavedBorderIcons = FDestForm->BorderIcons();
    FSavedWindowState = FDestForm->WindowState();
    TZelFormSkinHelper::Add(FDestForm, this);
    FDestForm->NonClientControlAt = [this](POINT p) { return NCControlAt(p); };
    FDestForm->RecalcNonClient();
}

TZelSkinForm::~TZelSkinForm() {
    TZelFormSkinHelper::Remove(this);
    FDestForm->KillTimer(kResizeTimer);
    FDestForm->KillTimer(kStartFlashTimer);
    FDestForm->NonClientControlAt = nullptr;
    // Controls that outlive the frame must not reach it any more.
    for (TZelSkinNCControl* c : FNCControls) {
        c->SetParentFrame(nullptr);
        c->SetHooked(false);
    }
    FNCControls.clear();
}

void TZelSkinForm::DetachNCControl(TZelSkinNCControl* Control) {
    auto it = std::find(FNCControls.begin(), FNCControls.end(), Control);
    if (it == FNCControls.end()) return;
    FNCControls.erase(it);
    Control->SetParentFrame(nullptr);
    Control->SetHooked(false);
    FDestForm->Invalidate();
}

bool TZelSkinForm::Bordered() const {
    return FActive && FDestForm->BorderStyle() != bsNone;
}

bool TZelSkinForm::Maximized() const {
    return FDestForm->WindowState() == wsMaximized || (FDestForm->Style() & WS_MAXIMIZE);
}

void TZelSkinForm::NonClientChanged() {
    FDestForm->RecalcNonClient();
    Repaint();
}

void TZelSkinForm::SetTitleHeight(int value) {
    if (value == FTitleHeight) return;
    FTitleHeight = value;
    NonClientChanged();
}

void TZelSkinForm::SetFramWidth(int value) {
    if (value < 0) return;
    FFramWidth = value;
    if (value == 0) FFlatFrame = true;
    NonClientChanged();
}

void TZelSkinForm::SetGradientHeight(int value) {
    if (value == FGradientHeight) return;
    FGradientHeight = value;
    Repaint();
}

void TZelSkinForm::SetTitlerColor(TColor value) {
    FTitlerColor = value;
    FNCBackColor = value;
    Repaint();
}

void TZelSkinForm::SetColor(TColor value) {
    FColor = value;
    Repaint();
}

void TZelSkinForm::SetActiveGradient(bool value) {
    FActiveGradient = value;
    Repaint();
}
void TZelSkinForm::SetFlatFrame(bool value) {
    FFlatFrame = value;
    Repaint();
}
void TZelSkinForm::SetDoubleFrame(bool value) {
    FDoubleFrame = value;
    Repaint();
}
void TZelSkinForm::SetRoundWindow(bool value) {
    FRoundWindow = value;
    Repaint();
}
void TZelSkinForm::SetFrameColor(TColor value) {
    FFrameColor = value;
    Repaint();
}
void TZelSkinForm::SetKeepFrameColor(bool value) {
    FKeepFrameColor = value;
    Repaint();
}
void TZelSkinForm::SetKeepTitlerColor(bool value) {
    FKeepTitlerColor = value;
    Repaint();
}
void TZelSkinForm::SetStyle(TZelSkinStyle value) {
    FStyle = value;
    Repaint();
}

void TZelSkinForm::Repaint() {
    if (FChangeCount > 0 || FRepainting) return;
    FRepainting = true;
    FDestForm->Invalidate();
    RepaintSkinControlsOf(FDestForm);
    FRepainting = false;
    if (Changed) Changed(this);
}

void TZelSkinForm::EndChange() {
    if (FChangeCount > 0 && --FChangeCount == 0) Repaint();
}

void TZelSkinForm::InvalidateNC() {
    SendMessageW(FDestForm->Handle(), ZM_NCREPAINT, 0, 0);
}
void TZelSkinForm::RefreshSkin() {
    SendMessageW(FDestForm->Handle(), ZM_SKINCHANGED, 0, 0);
}
void TZelSkinForm::Restoring() {
    EndMinimize();
}

TZelSkinImage* TZelSkinForm::GetBackgroundPicture() {
    EnsureBackground();
    return &FBackground;
}

// Background ----------------------------------------------------------------

void TZelSkinForm::BuildBackground() {
    FNCBackColor = FTitlerColor;
    FClientBackColor = FColor;
    if (FActiveGradient) {
        RECT monitor = WindowBackend()->MonitorRect(FDestForm->BoundsRect());
        // One column with the gradient, stretched across the strip.
        TZelSkinImage column(1, std::max(0, FGradientHeight));
        TZelPainter(column).GradientVertical(column.BoundsRect(), Color32(FNCBackColor),
                                             Color32(FClientBackColor));
        FGradientStrip.SetSize(monitor.Width() + 10, std::max(0, FGradientHeight));
        TZelPainter(FGradientStrip).StretchDraw(FGradientStrip.BoundsRect(), column);
    }
    FBackground.SetSize(FDestForm->Width() + 10, FDestForm->Height() + 10,
                        Color32(FClientBackColor));
    if (FActiveGradient) TZelPainter(FBackground).Draw(0, -FTitleHeight, FGradientStrip);
}

void TZelSkinForm::EnsureBackground() {
    RECT monitor = WindowBackend()->MonitorRect(FDestForm->BoundsRect());
    if (FBackground.Empty() || (FActiveGradient && FGradientStrip.Width() < monitor.Width())) {
        BuildBackground();
        return;
    }
    if (FBackground.Width() < FDestForm->Width() || FBackground.Height() < FDestForm->Height()) {
        FBackground.SetSize(FDestForm->Width() + 10, FDestForm->Height() + 10,
                            Color32(FClientBackColor));
        if (FActiveGradient) TZelPainter(FBackground).Draw(0, -FTitleHeight, FGradientStrip);
    }
}

void TZelSkinForm::PaintBackground(HDC dc) {
    EnsureBackground();
    DrawImageToDC(dc, 0, 0, FBackground, FBackground.BoundsRect(), dmOpaque);
}

// Region and frame -----------------------------------------------------------

void TZelSkinForm::SetRegion() {
    int W = FDestForm->Width(), H = FDestForm->Height();
    TRegion r;
    if (FRoundWindow && !Maximized()) {
        r = CreateRoundRectRgn(0, 0, W + 1, H + 1, 4, 4);
        if (!(FFramWidth > 1 || FFlatFrame))
            r = CombineRgnOr(r, CreateRectRgn(0, H - 10, W + 1, H + 1));
    } else {
        r = CreateRectRgn(0, 0, W + 1, H + 1);
    }
    if (FHasRegion && r.Rects == FRegion.Rects) return;
    FHasRegion = true;
    FRegion = r;
    FDestForm->SetWindowRgn(&FRegion);
}

// side: 0 title bar, 1 left strip, 2 right strip, 3 bottom strip.
void TZelSkinForm::DrawFrameLines(TZelSkinImage& bmp, int side) {
    if (FFlatFrame || Maximized() || FFramWidth <= 0) return;
    TZelPainter p(bmp);
    TColor32 outer = FKeepFrameColor ? Color32(FFrameColor) : Color32(0, 0, 0, 128);
    TColor32 inner = Color32(255, 255, 255, 176);
    int w = bmp.Width(), h = bmp.Height();
    switch (side) {
    case 0:
        p.HorzLine(0, w - 1, 0, outer);
        p.VertLine(0, 1, h - 1, outer);
        p.VertLine(w - 1, 1, h - 1, outer);
        if (FDoubleFrame) {
            p.HorzLine(1, w - 2, 1, inner);
            p.VertLine(1, 2, h - 1, inner);
            p.VertLine(w - 2, 2, h - 1, inner);
        }
        if (FRoundWindow) {
            p.SetPixel(1, 1, outer);
            p.SetPixel(w - 2, 1, outer);
        }
        break;
    case 1:
        p.VertLine(0, 0, h - 1, outer);
        if (FDoubleFrame && w > 1) p.VertLine(1, 0, h - 1, inner);
        break;
    case 2:
        p.VertLine(w - 1, 0, h - 1, outer);
        if (FDoubleFrame && w > 1) p.VertLine(w - 2, 0, h - 1, inner);
        break;
    case 3:
        p.HorzLine(0, w - 1, h - 1, outer);
        p.VertLine(0, 0, h - 1, outer);
        p.VertLine(w - 1, 0, h - 1, outer);
        if (FDoubleFrame && h > 1) p.HorzLine(1, w - 2, h - 2, inner);
        if (FRoundWindow) {
            p.SetPixel(1, h - 2, outer);
            p.SetPixel(w - 2, h - 2, outer);
        }
        break;
    }
}

void TZelSkinForm::PaintFrame(HDC dc) {
    if (!Bordered()) return;
    EnsureBackground();
    int W = FDestForm->Width(), H = FDestForm->Height();
    int th = FTitleHeight, fw = FFramWidth;
    if (th > 0 && W > 0) {
        TZelSkinImage title(W, th);
        TZelPainter p(title);
        if (FActiveGradient) {
            p.FillRect(title.BoundsRect(), Color32(FClientBackColor));
            p.GradientVertical({0, 0, W, FGradientHeight}, Color32(FNCBackColor),
                               Color32(FClientBackColor));
        } else {
            p.FillRect(title.BoundsRect(), Color32(FNCBackColor));
        }
        for (TZelSkinNCControl* c : std::vector<TZelSkinNCControl*>(FNCControls))
            if (c->Visible()) c->Paint(title);
        if (!FKeepTitlerColor) DrawFrameLines(title, 0);
        DrawImageToDC(dc, 0, 0, title, title.BoundsRect(), dmOpaque);
    }
    if (fw > 0 && H - fw > 0) {
        int sh = H - fw;
        TZelSkinImage left = FBackground.CopyRect({0, 0, fw, sh});
        left.SetDrawMode(dmOpaque);
        DrawFrameLines(left, 1);
        DrawImageToDC(dc, 0, th, left, left.BoundsRect(), dmOpaque);
        TZelSkinImage right = FBackground.CopyRect({W - fw, 0, W, sh});
        right.SetDrawMode(dmOpaque);
        DrawFrameLines(right, 2);
        DrawImageToDC(dc, W - fw, th, right, right.BoundsRect(), dmOpaque);
    }
    if (fw > 0 && W > 0) {
        // The rows of the background that lie under the window's last rows.
        TZelSkinImage bottom(W, fw, Color32(FClientBackColor));
        TZelPainter(bottom).Copy(0, 0, FBackground, {0, H - fw - th, W, H - th});
        DrawFrameLines(bottom, 3);
        DrawImageToDC(dc, 0, H - fw, bottom, bottom.BoundsRect(), dmOpaque);
    }
}

// Messages ---------------------------------------------------------------------

bool TZelSkinForm::NCControlAt(POINT p) const {
    for (TZelSkinNCControl* c : FNCControls)
        if (c->Visible() && c->ControlRect().Contains(p.x, p.y)) return true;
    return false;
}

void TZelSkinForm::NCHitTest(TMessage& m) {
    POINT s = PointFromLParam(m.LParam);
    int x = s.x - FDestForm->Left(), y = s.y - FDestForm->Top();
    int W = FDestForm->Width(), H = FDestForm->Height(), h = FHitTestWidth;
    TBorderStyle bs = FDestForm->BorderStyle();
    FLastHitSizing = false;
    if ((bs == bsSizeable || bs == bsSizeToolWin) && !Maximized()) {
        struct Zone {
            TRect r;
            LRESULT answer;
        };
        const Zone zones[] = {
            {{0, 0, h, h}, HTTOPLEFT},
            {{h, 0, W - h, h}, HTTOP},
            {{W - h, 0, W, h}, HTTOPRIGHT},
            {{W - h, h, W, H - h}, HTRIGHT},
            {{W - h, H - h, W, H}, HTBOTTOMRIGHT},
            {{h, H - h, W - h, H}, HTBOTTOM},
            {{0, H - h, h, H}, HTBOTTOMLEFT},
            {{0, h, h, H - h}, HTLEFT},
        };
        for (const Zone& z : zones)
            if (z.r.Contains(x, y)) {
                m.Result = z.answer;
                FLastHitSizing = true;
                return;
            }
    }
    if (TRect{0, 0, W, FTitleHeight}.Contains(x, y))
        m.Result = HTCAPTION;
    else if (TRect{FFramWidth, FTitleHeight, W - FFramWidth, H - FFramWidth}.Contains(x, y))
        m.Result = HTCLIENT;
    else
        m.Result = HTNOWHERE;
}

void TZelSkinForm::GetMinMaxInfo(MINMAXINFO& mmi) {
    RECT bounds = FDestForm->BoundsRect();
    RECT monitor = WindowBackend()->MonitorRect(bounds);
    RECT work = WindowBackend()->WorkArea(bounds);
    bool primary = WindowBackend()->IsPrimaryMonitor(bounds);
    if (!FMaxInfoKnown || primary != FMaxInfoPrimary) {
        FMaxInfoKnown = true;
        FMaxInfoPrimary = primary;
        FProposedMaxPos = mmi.ptMaxPosition;
        FProposedMaxSize = mmi.ptMaxSize;
        FMaxOffset = -mmi.ptMaxPosition.x;
    }
    if (FSavedWindowState == wsMaximized && !FShownOnce) {
        mmi.ptMaxPosition = {work.left - monitor.left, work.top - monitor.top};
        mmi.ptMaxSize = {work.Width(), work.Height() - 1};
    } else {
        mmi.ptMaxPosition = {FProposedMaxPos.x + FMaxOffset, FProposedMaxPos.y + FMaxOffset};
        mmi.ptMaxSize = {FProposedMaxSize.x - 2 * FMaxOffset, FProposedMaxSize.y - 2 * FMaxOffset};
        if (primary) mmi.ptMaxSize.y = work.Height();
    }
    mmi.ptMinTrackSize = {120, FTitleHeight + (FFlatFrame ? 30 : 6)};
}

void TZelSkinForm::BeginMinimize() {
    // A second begin must not save the transparency it set itself.
    if (FMinimizing) return;
    FMinimizing = true;
    FSavedAlphaBlend = FDestForm->AlphaBlend();
    FSavedAlphaBlendValue = FDestForm->AlphaBlendValue();
    FDestForm->SetAlphaBlendValue(0);
    FDestForm->SetAlphaBlend(true);
}

void TZelSkinForm::EndMinimize() {
    if (!FMinimizing) return;
    FMinimizing = false;
    FDestForm->SetAlphaBlendValue(FSavedAlphaBlendValue == 0 ? 255 : FSavedAlphaBlendValue);
    FDestForm->SetAlphaBlend(FSavedAlphaBlend);
    if (FDestForm->CanFocus()) WindowBackend()->RaiseWindow(FDestForm);
}

void TZelSkinForm::SysCommand(TMessage& m) {
    WPARAM cmd = m.WParam & 0xFFF0;
    if ((m.WParam == SC_MOVE_KEYBOARD || m.WParam == SC_DRAGMOVE) && Maximized()) return;
    switch (cmd) {
    case SC_MINIMIZE:
        CallOldWindowProc(m);
        BeginMinimize();
        break;
    case SC_MAXIMIZE:
        if (FSavedFramWidth < 0) FSavedFramWidth = FFramWidth;
        FFramWidth = 0;
        CallOldWindowProc(m);
        FDestForm->RecalcNonClient();
        Repaint();
        break;
    case SC_RESTORE:
        CallOldWindowProc(m);
        // The strips come back only when the window is back to its normal size.
        if (FSavedFramWidth >= 0 && FDestForm->WindowState() == wsNormal) {
            FFramWidth = FSavedFramWidth;
            FSavedFramWidth = -1;
            FDestForm->RecalcNonClient();
            Repaint();
        }
        EndMinimize();
        break;
    default:
        CallOldWindowProc(m);
        break;
    }
}

void TZelSkinForm::NCButton(TMessage& m, bool down) {
    if (!FLastHitSizing) {
        POINT s = PointFromLParam(m.LParam);
        TPoint p{s.x - FDestForm->Left(), s.y - FDestForm->Top()};
        // A press without a move before it still finds the control under it.
        for (TZelSkinNCControl* c : std::vector<TZelSkinNCControl*>(FNCControls))
            c->NCMouseMove(p);
        for (TZelSkinNCControl* c : std::vector<TZelSkinNCControl*>(FNCControls)) {
            if (!c->Visible() || !c->MouseInControl()) continue;
            if (down)
                c->LMouseDown(p);
            else
                c->LMouseUp(p);
            FDestForm->SetActiveControl(nullptr);
            m.Result = 0;
            return;
        }
    }
    CallOldWindowProc(m);
}

void TZelSkinForm::NCDoubleClick(TMessage& m) {
    m.Result = 0;
    for (TZelSkinNCControl* c : FNCControls)
        if (c->Visible() && c->MouseInControl()) return;
    TBorderStyle bs = FDestForm->BorderStyle();
    if (!(FSavedBorderIcons & biMaximize) || (bs != bsSizeable && bs != bsSingle)) return;
    FDestForm->Perform(WM_SYSCOMMAND, Maximized() ? SC_RESTORE : SC_MAXIMIZE, 0);
}

void TZelSkinForm::ShowingChanged(TMessage& m) {
    bool becomingVisible = FDestForm->Visible() && !FDestForm->Showing();
    if (!becomingVisible) {
        CallOldWindowProc(m);
        return;
    }
    // Hidden while transparent for a minimise: it shows as it was before.
    EndMinimize();
    DWORD ex = FDestForm->ExStyle();
    TWindow* mainForm = Application()->MainForm();
    if (FOptions.MinimizeToTaskbar() && mainForm != FDestForm) ex |= WS_EX_APPWINDOW;
    if (FOptions.HideInTaskbar() && mainForm) ex = (ex & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW;
    FDestForm->SetExStyle(ex);
    FDestForm->SetStyle(FDestForm->Style() & ~WS_SYSMENU);
    BuildBackground();
    if (!FStartFlashHandled) {
        FStartFlashHandled = true;
        FStartAlphaBlend = FDestForm->AlphaBlend();
        FStartAlphaBlendValue = FDestForm->AlphaBlendValue();
        FDestForm->SetAlphaBlendValue(0);
        FDestForm->SetAlphaBlend(true);
    }
    CallOldWindowProc(m);
    if (FDestForm->Showing()) {
        FShownOnce = true;
        FDestForm->SetTimer(kStartFlashTimer, 30);
    }
}

void TZelSkinForm::HookWndProc(TMessage& m) {
    if (!FActive) {
        CallOldWindowProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_SIZE:
        CallOldWindowProc(m);
        FDestForm->SetTimer(kResizeTimer, 50);
        break;
    case WM_PAINT:
        CallOldWindowProc(m);
        if (FDestForm->Showing()) PaintBackground(DCFromWParam(m.WParam));
        break;
    case WM_ERASEBKGND:
        if (FEraseBackGround && m.WParam) PaintBackground(DCFromWParam(m.WParam));
        m.Result = 1;
        break;
    case WM_SETCURSOR:
        if (HWND(m.WParam) == FDestForm->Handle()) {
            for (TZelSkinNCControl* c : FNCControls)
                if (c->ShowsOwnCursor()) {
                    m.Result = 1;
                    return;
                }
        }
        CallOldWindowProc(m);
        break;
    case WM_GETMINMAXINFO:
        if (Bordered()) GetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(m.LParam));
        CallOldWindowProc(m);
        break;
    case WM_WINDOWPOSCHANGING: {
        auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
        if (wp && FDestForm->Showing()) {
            const UINT minimise =
                SWP_NOCOPYBITS | SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOACTIVATE;
            const UINT hideMain =
                SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;
            if ((wp->flags & minimise) == minimise ||
                (Application()->MainForm() == FDestForm && (wp->flags & hideMain) == hideMain))
                BeginMinimize();
        }
        CallOldWindowProc(m);
        break;
    }
    case WM_NCCALCSIZE:
        if (!Bordered()) {
            CallOldWindowProc(m);
            break;
        }
        if (m.WParam) {
            RECT& r = reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0];
            r = {r.left + FFramWidth, r.top + FTitleHeight, r.right - FFramWidth,
                 r.bottom - FFramWidth};
            r.right = std::max(r.right, r.left);
            r.bottom = std::max(r.bottom, r.top);
        }
        m.Result = 0;
        break;
    case WM_NCHITTEST:
        if (Bordered())
            NCHitTest(m);
        else
            CallOldWindowProc(m);
        break;
    case WM_NCPAINT:
        SetRegion();
        if (m.WParam) PaintFrame(DCFromWParam(m.WParam));
        if (FDestForm->Style() & (WS_BORDER | WS_DLGFRAME))
            FDestForm->SetStyle(FDestForm->Style() & ~(WS_BORDER | WS_DLGFRAME));
        m.Result = 0;
        break;
    case WM_NCACTIVATE:
        m.Result = 1;
        break;
    case WM_NCMOUSEMOVE: {
        CallOldWindowProc(m);
        POINT s = PointFromLParam(m.LParam);
        TPoint p{s.x - FDestForm->Left(), s.y - FDestForm->Top()};
        for (TZelSkinNCControl* c : std::vector<TZelSkinNCControl*>(FNCControls))
            c->NCMouseMove(p);
        break;
    }
    case WM_NCLBUTTONDOWN:
        NCButton(m, true);
        break;
    case WM_NCLBUTTONUP:
        NCButton(m, false);
        break;
    case WM_NCLBUTTONDBLCLK:
        NCDoubleClick(m);
        break;
    case WM_SYSCOMMAND:
        SysCommand(m);
        break;
    case WM_TIMER:
        if (m.WParam == kResizeTimer) {
            FDestForm->KillTimer(kResizeTimer);
            FDestForm->Invalidate();
            FDestForm->Update();
        } else if (m.WParam == kStartFlashTimer) {
            FDestForm->KillTimer(kStartFlashTimer);
            FDestForm->SetAlphaBlendValue(FStartAlphaBlendValue);
            FDestForm->SetAlphaBlend(FStartAlphaBlend);
            if (Maximized())
                FDestForm->SetBounds(FDestForm->Left(), FDestForm->Top(), FDestForm->Width(),
                                     FDestForm->Height() + 1);
        } else if (m.WParam == kMainMenuTimer) {
            // The skinned main menu is not used.
        } else {
            CallOldWindowProc(m);
        }
        break;
    case CM_SHOWINGCHANGED:
        ShowingChanged(m);
        break;
    case ZM_NCREPAINT:
        if (FDestForm->Showing()) {
            FDestForm->Invalidate();
            FDestForm->Update();
        }
        break;
    case ZM_SKINCHANGED:
        BuildBackground();
        Repaint();
        break;
    case ZM_SKINRESCHANGED:
        break;
    case ZM_ADDNCCTRL: {
        auto* c = reinterpret_cast<TZelSkinNCControl*>(m.WParam);
        if (!c) break;
        FNCControls.push_back(c);
        c->SetParentFrame(this);
        c->SetHooked(true);
        if (FDestForm->Showing()) {
            FDestForm->Invalidate();
            FDestForm->Update();
        }
        break;
    }
    case ZM_REMOVENCCTRL: {
        auto* c = reinterpret_cast<TZelSkinNCControl*>(m.WParam);
        for (size_t i = FNCControls.size(); i-- > 0;) {
            if (FNCControls[i] != c) continue;
            FNCControls.erase(FNCControls.begin() + long(i));
            delete c;
            FDestForm->Invalidate();
            break;
        }
        break;
    }
    default:
        CallOldWindowProc(m);
        break;
    }
}
