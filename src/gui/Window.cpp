#include "gui/Window.h"

#include "gui/Application.h"
#include "gui/ControlTree.h"
#include "gui/Timers.h"
#include "gui/WindowBackend.h"

#include "platform/Files.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace gui {

using namespace platform;

using namespace internal;

namespace {

// How start-up is measured from outside: when UPDATER_FIRST_FRAME_MARK names
// a file, the moment the process's first frame reached the screen is written
// there, in nanoseconds of the steady clock.
void MarkFirstFrame() {
    static bool marked = false;
    if (marked) return;
    marked = true;
    const char* file = std::getenv("UPDATER_FIRST_FRAME_MARK");
    if (!file || !*file) return;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    try {
        WriteFileAtomic(
            file,
            std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    } catch (const FileError&) {
        // A measuring aid: a mark that cannot be written must not stop the program.
    }
}

} // namespace

TWindow::TWindow() : TControl(nullptr) {
    SetBoundsRaw(0, 0, 320, 240);
    FVisible = false;
    StyleFromBorder();
    Application()->FWindows.push_back(this);
    RecalcNonClient();
}

TWindow::~TWindow() {
    auto& stack = ModalStack();
    stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
    WindowBackend()->DestroyWindow(this);
    auto& list = Application()->FWindows;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (Application()->FMainForm == this) Application()->FMainForm = nullptr;
}

void TWindow::StyleFromBorder() {
    DWORD keep = FStyle & (WS_MAXIMIZE | WS_MINIMIZE | WS_VISIBLE);
    DWORD s = 0;
    switch (FBorderStyle) {
    case bsNone:
        break;
    case bsSingle:
    case bsToolWindow:
        s = WS_CAPTION | WS_BORDER;
        break;
    case bsDialog:
        s = WS_CAPTION | WS_DLGFRAME;
        break;
    case bsSizeable:
    case bsSizeToolWin:
        s = WS_CAPTION | WS_THICKFRAME;
        break;
    }
    if (FBorderStyle != bsNone) {
        if (FBorderIcons & biSystemMenu) s |= WS_SYSMENU;
        if (FBorderIcons & biMinimize) s |= WS_MINIMIZEBOX;
        if (FBorderIcons & biMaximize) s |= WS_MAXIMIZEBOX;
    }
    FStyle = s | keep;
    if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin) FExStyle |= WS_EX_TOOLWINDOW;
}

void TWindow::SetBorderStyle(TBorderStyle value) {
    FBorderStyle = value;
    StyleFromBorder();
    RecalcNonClient();
}

void TWindow::SetBorderIcons(TBorderIcons value) {
    FBorderIcons = value;
    StyleFromBorder();
}

void TWindow::SetStyle(DWORD value) {
    FStyle = value;
    RecalcNonClient();
    Invalidate();
}

void TWindow::SetExStyle(DWORD value) {
    bool topmost = (value & WS_EX_TOPMOST) != (FExStyle & WS_EX_TOPMOST);
    FExStyle = value;
    if (topmost && FShown) WindowBackend()->SetWindowTopmost(this, Topmost());
}

void TWindow::SetWindowState(TWindowState value) {
    if (!FShown) {
        FWindowState = value;
        FStyle &= ~(WS_MAXIMIZE | WS_MINIMIZE);
        if (value == wsMaximized) FStyle |= WS_MAXIMIZE;
        if (value == wsMinimized) FStyle |= WS_MINIMIZE;
        return;
    }
    if (value == FWindowState) return;
    WPARAM cmd = value == wsMinimized   ? SC_MINIMIZE
                 : value == wsMaximized ? SC_MAXIMIZE
                                        : SC_RESTORE;
    Perform(WM_SYSCOMMAND, cmd, 0);
}

void TWindow::SetColor(uint32_t argb) {
    FColor = argb;
    Invalidate();
}

void TWindow::SetClientSize(int width, int height) {
    // The non-client area of a window large enough that nothing crosses.
    NCCALCSIZE_PARAMS p;
    RECT probe{Left(), Top(), Left() + 100000, Top() + 100000};
    p.rgrc[0] = probe;
    Perform(WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&p));
    const RECT& c = p.rgrc[0];
    SetBounds(Left(), Top(), width + (c.left - probe.left) + (probe.right - c.right),
              height + (c.top - probe.top) + (probe.bottom - c.bottom));
}

void TWindow::CenterOnScreen() {
    RECT work = WindowBackend()->WorkArea(BoundsRect());
    SetBounds(work.left + (work.Width() - Width()) / 2, work.top + (work.Height() - Height()) / 2,
              Width(), Height());
}

void TWindow::SetAlphaBlend(bool value) {
    if (value == FAlphaBlend) return;
    FAlphaBlend = value;
    if (value) FExStyle |= WS_EX_LAYERED;
    WindowBackend()->SetWindowOpacity(this, EffectiveOpacity());
}

void TWindow::SetAlphaBlendValue(uint8_t value) {
    if (value == FAlphaBlendValue) return;
    FAlphaBlendValue = value;
    WindowBackend()->SetWindowOpacity(this, EffectiveOpacity());
}

void TWindow::SetTopmost(bool value) {
    SetExStyle(value ? (FExStyle | WS_EX_TOPMOST) : (FExStyle & ~WS_EX_TOPMOST));
}

void TWindow::SetWindowRgn(const TRegion* region) {
    FHasRegion = region != nullptr;
    FRegion = region ? *region : TRegion{};
    WindowBackend()->SetWindowRegion(this, region);
}

bool TWindow::PointInRegion(POINT p) const {
    if (!RECT{0, 0, Width(), Height()}.Contains(p.x, p.y)) return false;
    return !FHasRegion || FRegion.Contains(p.x, p.y);
}

TSurface TWindow::RegionSurface() const {
    TSurface s = FSurface;
    if (!FHasRegion) return s;
    for (int y = 0; y < s.Height; ++y) {
        uint32_t* row = s.Row(y);
        for (int x = 0; x < s.Width; ++x)
            if (!FRegion.Contains(x, y)) row[x] = 0;
    }
    return s;
}

void TWindow::Show() {
    FVisible = true;
    if (!FShown) ShowingChanged();
    if (FShown) {
        WindowBackend()->RaiseWindow(this);
        Activated();
    }
}

void TWindow::Activated() {
    static uint64_t counter = 0;
    FActivation = ++counter;
}

void TWindow::SetVisible(bool value) {
    if (value)
        Show();
    else
        Hide();
}

void TWindow::Hide() {
    FVisible = false;
    if (FShown) ShowingChanged();
}

void TWindow::ShowingChanged() {
    Perform(CM_SHOWINGCHANGED, 0, 0);
}

TModalResult TWindow::ShowModal() {
    // A modal window opened by a click (from the button's release) would find
    // the mouse still held by the clicked window, which takes no input now.
    for (TWindow* w : Application()->Windows())
        if (w->FCapture) w->SetCaptureControl(nullptr);
    FModal = true;
    FModalResult = mrNone;
    ModalStack().push_back(this);
    Show();
    while (FModalResult == mrNone) {
        if (!FShown || Application()->Terminated()) {
            FModalResult = mrCancel;
            break;
        }
        Application()->HandleMessage();
    }
    auto& stack = ModalStack();
    stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
    Hide();
    FModal = false;
    return FModalResult;
}

void TWindow::Close() {
    Perform(WM_CLOSE, 0, 0);
}

void TWindow::DoClose() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    if (!canClose) return;
    TCloseAction action = caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) return;
    if (FModal) {
        if (FModalResult == mrNone) FModalResult = mrCancel;
        return;
    }
    if (action == caMinimize) {
        Perform(WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return;
    }
    Hide();
    if (Application()->MainForm() == this) Application()->Terminate();
}

void TWindow::SetActiveControl(TControl* control) {
    if (control == FActiveControl) return;
    TControl* old = FActiveControl;
    FActiveControl = control;
    if (old) old->Perform(WM_KILLFOCUS, control ? control->Handle() : 0, 0);
    if (control) control->Perform(WM_SETFOCUS, old ? old->Handle() : 0, 0);
    TMessage m{CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control), 0};
    Broadcast(this, m);
}

void TWindow::SetCaptureControl(TControl* control) {
    FAutoCapture = false;
    TControl* old = FCapture;
    if (old == control) return;
    FCapture = control;
    WindowBackend()->SetCapture(this, control != nullptr);
    if (old) old->Perform(WM_CAPTURECHANGED, 0, control ? LPARAM(control->Handle()) : 0);
}

void TWindow::SelectNext(bool forward) {
    std::vector<TControl*> stops;
    CollectTabStops(this, stops);
    if (stops.empty()) return;
    auto it = std::find(stops.begin(), stops.end(), FActiveControl);
    size_t i;
    if (it == stops.end())
        i = forward ? 0 : stops.size() - 1;
    else {
        size_t cur = size_t(it - stops.begin());
        i = forward ? (cur + 1) % stops.size() : (cur + stops.size() - 1) % stops.size();
    }
    SetActiveControl(stops[i]);
}

void TWindow::ForgetControl(TControl* control) {
    auto inside = [control](TControl* c) {
        for (; c; c = c->Parent())
            if (c == control) return true;
        return false;
    };
    if (inside(FActiveControl)) SetActiveControl(nullptr);
    if (inside(FCapture)) SetCaptureControl(nullptr);
    if (inside(FHover)) FHover = nullptr;
}

void TWindow::PaintWindow() {
    FSurface.SetSize(Width(), Height(), 0);
    PaintTree(FSurface, {0, 0}, {0, 0, Width(), Height()});
    FNeedsPaint = false;
    if (FShown) WindowBackend()->Present(this, FSurface);
}

// A window's first frame on screen is the one presented as it is shown.
void TWindow::PresentSurface() {
    WindowBackend()->Present(this, FSurface);
    MarkFirstFrame();
}

void TWindow::RecalcNonClient() {
    NCCALCSIZE_PARAMS p;
    RECT window{Left(), Top(), Left() + Width(), Top() + Height()};
    p.rgrc[0] = window;
    Perform(WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&p));
    RECT client = p.rgrc[0];
    FClientInWindow = client.Offset(-Left(), -Top());
    RECT insets{std::max(0, client.left - window.left), std::max(0, client.top - window.top),
                std::max(0, window.right - client.right),
                std::max(0, window.bottom - client.bottom)};
    SetClientInsets(insets);
}

MINMAXINFO TWindow::QueryMinMaxInfo() {
    MINMAXINFO mmi;
    RECT monitor = WindowBackend()->MonitorRect(BoundsRect());
    RECT work = WindowBackend()->WorkArea(BoundsRect());
    mmi.ptMaxSize = {work.Width(), work.Height()};
    mmi.ptMaxPosition = {work.left - monitor.left, work.top - monitor.top};
    mmi.ptMinTrackSize = {1, 1};
    mmi.ptMaxTrackSize = {monitor.Width(), monitor.Height()};
    Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    return mmi;
}

void TWindow::BoundsChanged(bool moved, bool resized) {
    if (FShown) WindowBackend()->SetWindowBounds(this, BoundsRect());
    if (resized) {
        RecalcNonClient();
        WPARAM kind = FWindowState == wsMaximized   ? SIZE_MAXIMIZED
                      : FWindowState == wsMinimized ? SIZE_MINIMIZED
                                                    : SIZE_RESTORED;
        Perform(WM_SIZE, kind, MAKELPARAM(ClientWidth(), ClientHeight()));
        Realign();
    }
    if (moved) Perform(WM_MOVE, 0, MAKELPARAM(Left(), Top()));
    Invalidate();
    // The platform repaints the frame (and sets the region) while it resizes.
    if (resized && FShown) PaintWindow();
}

void TWindow::StartTracking(TrackMode mode, int edge) {
    FTrack = mode;
    FTrackEdge = edge;
    FTrackStartCursor = WindowBackend()->CursorPos();
    FTrackStartBounds = BoundsRect();
    WindowBackend()->SetCapture(this, true);
}

void TWindow::TrackTo(POINT screen) {
    int dx = screen.x - FTrackStartCursor.x;
    int dy = screen.y - FTrackStartCursor.y;
    RECT r = FTrackStartBounds;
    if (FTrack == TrackMode::Move) {
        SetBounds(r.left + dx, r.top + dy, r.Width(), r.Height());
        return;
    }
    MINMAXINFO mmi = QueryMinMaxInfo();
    auto clampW = [&](int w) {
        return std::clamp(w, mmi.ptMinTrackSize.x,
                          std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
    };
    auto clampH = [&](int h) {
        return std::clamp(h, mmi.ptMinTrackSize.y,
                          std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
    };
    bool left = FTrackEdge == 1 || FTrackEdge == 4 || FTrackEdge == 7;
    bool right = FTrackEdge == 2 || FTrackEdge == 5 || FTrackEdge == 8;
    bool top = FTrackEdge == 3 || FTrackEdge == 4 || FTrackEdge == 5;
    bool bottom = FTrackEdge == 6 || FTrackEdge == 7 || FTrackEdge == 8;
    if (left) r.left = r.right - clampW(r.Width() - dx);
    if (right) r.right = r.left + clampW(r.Width() + dx);
    if (top) r.top = r.bottom - clampH(r.Height() - dy);
    if (bottom) r.bottom = r.top + clampH(r.Height() + dy);
    SetBounds(r.left, r.top, r.Width(), r.Height());
}

void TWindow::SysCommand(TMessage& message) {
    WPARAM cmd = message.WParam & 0xFFF0;
    switch (cmd) {
    case SC_MOVE:
        if (message.WParam == SC_DRAGMOVE || message.WParam == SC_MOVE)
            StartTracking(TrackMode::Move, 0);
        break;
    case SC_SIZE:
        if ((message.WParam & 0xF) != 0) StartTracking(TrackMode::Size, int(message.WParam & 0xF));
        break;
    case SC_MINIMIZE:
        if (FWindowState == wsMinimized) break;
        FWindowState = wsMinimized;
        FStyle |= WS_MINIMIZE;
        WindowBackend()->SetWindowMinimized(this, true);
        Perform(WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(ClientWidth(), ClientHeight()));
        break;
    case SC_MAXIMIZE: {
        if (FWindowState == wsMaximized) break;
        if (FWindowState == wsMinimized) WindowBackend()->SetWindowMinimized(this, false);
        FStyle &= ~WS_MINIMIZE;
        if (!(FStyle & WS_MAXIMIZE)) FNormalBounds = BoundsRect();
        FWindowState = wsMaximized;
        FStyle |= WS_MAXIMIZE;
        MINMAXINFO mmi = QueryMinMaxInfo();
        RECT monitor = WindowBackend()->MonitorRect(BoundsRect());
        SetBounds(monitor.left + mmi.ptMaxPosition.x, monitor.top + mmi.ptMaxPosition.y,
                  mmi.ptMaxSize.x, mmi.ptMaxSize.y);
        Perform(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(ClientWidth(), ClientHeight()));
        break;
    }
    case SC_RESTORE:
        if (FWindowState == wsMinimized) {
            FStyle &= ~WS_MINIMIZE;
            FWindowState = (FStyle & WS_MAXIMIZE) ? wsMaximized : wsNormal;
            WindowBackend()->SetWindowMinimized(this, false);
            Perform(WM_SIZE, FWindowState == wsMaximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                    MAKELPARAM(ClientWidth(), ClientHeight()));
            Invalidate();
        } else if (FWindowState == wsMaximized) {
            FStyle &= ~WS_MAXIMIZE;
            FWindowState = wsNormal;
            RECT r = FNormalBounds;
            SetBounds(r.left, r.top, r.Width(), r.Height());
        }
        break;
    case SC_CLOSE:
        Close();
        break;
    default:
        break;
    }
}

void TWindow::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_NCCALCSIZE:
        message.Result = 0; // no frame of the platform's own
        break;
    case WM_NCHITTEST: {
        POINT p = PointFromLParam(message.LParam);
        p = {p.x - Left(), p.y - Top()};
        if (FClientInWindow.Contains(p.x, p.y))
            message.Result = HTCLIENT;
        else if (p.y < FClientInWindow.top)
            message.Result = HTCAPTION;
        else
            message.Result = HTBORDER;
        break;
    }
    case WM_NCLBUTTONDOWN: {
        LRESULT ht = LRESULT(message.WParam);
        if (ht == HTCAPTION)
            Perform(WM_SYSCOMMAND, SC_DRAGMOVE, message.LParam);
        else if (IsSizingHitTest(ht))
            Perform(WM_SYSCOMMAND, SC_SIZE + WPARAM(ht - 9), message.LParam);
        break;
    }
    case WM_NCLBUTTONDBLCLK:
        if (LRESULT(message.WParam) == HTCAPTION && (FStyle & WS_MAXIMIZEBOX))
            Perform(WM_SYSCOMMAND, (FStyle & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, 0);
        break;
    case WM_NCACTIVATE:
        message.Result = 1;
        break;
    case WM_SETCURSOR: {
        LRESULT ht = int16_t(uint16_t(uint32_t(message.LParam) & 0xFFFF));
        TCursor c = crDefault;
        if (ht == HTLEFT || ht == HTRIGHT) c = crSizeWE;
        if (ht == HTTOP || ht == HTBOTTOM) c = crSizeNS;
        if (ht == HTTOPLEFT || ht == HTBOTTOMRIGHT) c = crSizeNWSE;
        if (ht == HTTOPRIGHT || ht == HTBOTTOMLEFT) c = crSizeNESW;
        WindowBackend()->SetCursor(c);
        message.Result = 1;
        break;
    }
    case WM_ERASEBKGND:
        DCFillRect(DCFromWParam(message.WParam), DCLocalClip(DCFromWParam(message.WParam)), FColor);
        message.Result = 1;
        break;
    case WM_SYSCOMMAND:
        SysCommand(message);
        break;
    case WM_CLOSE:
        DoClose();
        break;
    case WM_MOUSEWHEEL:
        break;
    case CM_SHOWINGCHANGED: {
        bool show = FVisible;
        if (show == FShown) break;
        Perform(WM_SHOWWINDOW, show ? 1 : 0, 0);
        WINDOWPOS wp{Handle(),
                     0,
                     Left(),
                     Top(),
                     Width(),
                     Height(),
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                         (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW)};
        Perform(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
        if (show) {
            if (OnShow) OnShow(this);
            if (!FVisible) break; // hidden again by the handler
            FShown = true;
            FStyle |= WS_VISIBLE;
            RecalcNonClient();
            Realign();
            PaintWindow();
            WindowBackend()->ShowWindow(this, true);
            PresentSurface();
        } else {
            if (FCapture) SetCaptureControl(nullptr);
            if (TControl* hover = FHover) {
                FHover = nullptr;
                hover->Perform(CM_MOUSELEAVE, 0, 0);
            }
            FTrack = TrackMode::None;
            FShown = false;
            FStyle &= ~WS_VISIBLE;
            WindowBackend()->ShowWindow(this, false);
        }
        break;
    }
    default:
        TControl::WndProc(message);
        break;
    }
}

void TWindow::SetBounds(int left, int top, int width, int height) {
    WINDOWPOS wp{Handle(),
                 0,
                 left,
                 top,
                 std::max(0, width),
                 std::max(0, height),
                 SWP_NOZORDER | SWP_NOACTIVATE};
    if (left == Left() && top == Top()) wp.flags |= SWP_NOMOVE;
    if (wp.cx == Width() && wp.cy == Height()) wp.flags |= SWP_NOSIZE;
    if ((wp.flags & (SWP_NOMOVE | SWP_NOSIZE)) == (SWP_NOMOVE | SWP_NOSIZE)) return;
    Perform(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    TControl::SetBounds(wp.x, wp.y, wp.cx, wp.cy);
}

// Input -------------------------------------------------------------------

} // namespace gui
