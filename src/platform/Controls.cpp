#include "platform/Controls.h"

#include "platform/Clock.h"

#include "platform/MainThread.h"
#include "platform/Timers.h"
#include "platform/WindowBackend.h"

#include <algorithm>
#include <unordered_map>

namespace platform {
namespace {

std::unordered_map<HWND, TControl*>& Handles() {
    static auto* m = new std::unordered_map<HWND, TControl*>();
    return *m;
}

// The windows that run a modal loop, innermost last: input reaches only the
// innermost one (and windows above it).
std::vector<TWindow*>& ModalStack() {
    static auto* s = new std::vector<TWindow*>();
    return *s;
}

bool InputAllowed(TWindow* window) {
    auto& stack = ModalStack();
    return stack.empty() || stack.back() == window;
}

void Broadcast(TControl* control, TMessage& message) {
    for (TControl* child : std::vector<TControl*>(control->Controls())) {
        message.Result = 0;
        child->WindowProc()(message);
        Broadcast(child, message);
    }
}

bool DialogKey(TControl* control, TMessage& message) {
    for (TControl* child : std::vector<TControl*>(control->Controls())) {
        message.Result = 0;
        child->WindowProc()(message);
        if (message.Result != 0) return true;
        if (DialogKey(child, message)) return true;
    }
    return false;
}

void CollectTabStops(TControl* control, std::vector<TControl*>& out) {
    for (TControl* child : control->Controls()) {
        if (child->TabStop() && child->CanFocus()) out.push_back(child);
        if (child->Visible()) CollectTabStops(child, out);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// TControl

TControl::TControl(TControl* parent) {
    FHandle =
        RegisterMessageTarget([this](UINT msg, WPARAM w, LPARAM l) { return Perform(msg, w, l); });
    Handles()[FHandle] = this;
    FWindowProc = [this](TMessage& m) { WndProc(m); };
    if (parent) SetParent(parent);
}

TControl::~TControl() {
    KillTimers(FHandle);
    UnregisterMessageTarget(FHandle);
    Handles().erase(FHandle);
    for (TControl* child : FControls)
        child->FParent = nullptr;
    if (TWindow* window = GetParentWindow(); window && window != this) window->ForgetControl(this);
    if (FParent) {
        auto& siblings = FParent->FControls;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        FParent->Invalidate();
    }
}

TControl* TControl::FromHandle(HWND handle) {
    auto it = Handles().find(handle);
    return it == Handles().end() ? nullptr : it->second;
}

void TControl::SetWindowProc(TWndMethod proc) {
    FWindowProc = proc ? std::move(proc) : TWndMethod([this](TMessage& m) { WndProc(m); });
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    auto proc = FWindowProc; // a handler may replace the procedure meanwhile
    proc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& message) {
    DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage& message) {
    switch (message.Msg) {
    case WM_SETCURSOR:
        WindowBackend()->SetCursor(crDefault);
        message.Result = 1;
        break;
    case WM_SETREDRAW:
        FRedraw = message.WParam != 0;
        if (FRedraw) Invalidate();
        break;
    case WM_MOUSEWHEEL:
        // Unhandled wheel turns go to the parent, as the platform does.
        if (FParent) message.Result = FParent->Perform(message.Msg, message.WParam, message.LParam);
        break;
    default:
        break;
    }
}

void TControl::SetParent(TControl* parent) {
    if (parent == FParent) return;
    if (FParent) {
        if (TWindow* window = GetParentWindow(); window && window != this)
            window->ForgetControl(this);
        auto& siblings = FParent->FControls;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        FParent->Realign();
        FParent->Invalidate();
    }
    FParent = parent;
    if (FParent) {
        FParent->FControls.push_back(this);
        FParent->Realign();
        Invalidate();
    }
}

TWindow* TControl::GetParentWindow() const {
    const TControl* c = this;
    while (c->FParent)
        c = c->FParent;
    return dynamic_cast<TWindow*>(const_cast<TControl*>(c));
}

void TControl::BringToFront() {
    if (!FParent) return;
    auto& siblings = FParent->FControls;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    siblings.push_back(this);
    Invalidate();
}

void TControl::SetBoundsRaw(int left, int top, int width, int height) {
    FLeft = left;
    FTop = top;
    FWidth = std::max(0, width);
    FHeight = std::max(0, height);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    bool moved = left != FLeft || top != FTop;
    bool resized = width != FWidth || height != FHeight;
    if (!moved && !resized) return;
    SetBoundsRaw(left, top, width, height);
    BoundsChanged(moved, resized);
}

void TControl::BoundsChanged(bool moved, bool resized) {
    if (resized) {
        Perform(WM_SIZE, SIZE_RESTORED, MAKELPARAM(ClientWidth(), ClientHeight()));
        Realign();
    }
    if (moved) Perform(WM_MOVE, 0, MAKELPARAM(FLeft, FTop));
    if (FParent && FAlign != alNone && !FParent->FAligning) FParent->Realign();
    Invalidate();
}

RECT TControl::ClientRect() const {
    return {0, 0, std::max(0, FWidth - FClientInsets.left - FClientInsets.right),
            std::max(0, FHeight - FClientInsets.top - FClientInsets.bottom)};
}

void TControl::SetClientInsets(const RECT& insets) {
    if (insets == FClientInsets) return;
    FClientInsets = insets;
    Realign();
    Invalidate();
}

POINT TControl::ClientOriginInWindow() const {
    POINT p{FClientInsets.left, FClientInsets.top};
    if (FParent) {
        POINT o = FParent->ClientOriginInWindow();
        p.x += o.x + FLeft;
        p.y += o.y + FTop;
    }
    return p;
}

POINT TControl::ClientToScreen(POINT p) const {
    POINT o = ClientOriginInWindow();
    p.x += o.x;
    p.y += o.y;
    if (TWindow* w = GetParentWindow()) {
        p.x += w->Left();
        p.y += w->Top();
    }
    return p;
}

POINT TControl::ScreenToClient(POINT p) const {
    POINT zero = ClientToScreen({0, 0});
    return {p.x - zero.x, p.y - zero.y};
}

void TControl::SetVisible(bool value) {
    if (value == FVisible) return;
    FVisible = value;
    if (!value) {
        if (TWindow* w = GetParentWindow(); w && w != this) w->ForgetControl(this);
    }
    Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
    if (FParent) {
        FParent->Realign();
        FParent->Invalidate();
    }
}

bool TControl::Showing() const {
    if (!FVisible) return false;
    if (FParent) return FParent->Showing();
    auto* w = dynamic_cast<const TWindow*>(this);
    return w && w->FShown;
}

void TControl::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    if (!value) {
        if (TWindow* w = GetParentWindow(); w && w != this) w->ForgetControl(this);
    }
    Perform(WM_ENABLE, value ? 1 : 0, 0);
    Perform(CM_ENABLEDCHANGED, 0, 0);
    Invalidate();
}

bool TControl::IsEnabledInTree() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FEnabled) return false;
    return true;
}

void TControl::SetAlign(TAlign value) {
    if (value == FAlign) return;
    FAlign = value;
    if (FParent) FParent->Realign();
}

void TControl::SetMargins(const RECT& value) {
    FMargins = value;
    if (FParent && FAlign != alNone) FParent->Realign();
}

void TControl::Realign() {
    if (FAligning) return;
    FAligning = true;
    RECT r = ClientRect();
    AdjustClientRect(r);
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl* c : std::vector<TControl*>(FControls)) {
            if (!c->FVisible || c->FAlign != pass) continue;
            const RECT& m = c->FMargins;
            int availW = std::max(0, r.Width() - m.left - m.right);
            int availH = std::max(0, r.Height() - m.top - m.bottom);
            switch (pass) {
            case alTop:
                c->SetBounds(r.left + m.left, r.top + m.top, availW, c->FHeight);
                r.top += c->FHeight + m.top + m.bottom;
                break;
            case alBottom:
                c->SetBounds(r.left + m.left, r.bottom - m.bottom - c->FHeight, availW, c->FHeight);
                r.bottom -= c->FHeight + m.top + m.bottom;
                break;
            case alLeft:
                c->SetBounds(r.left + m.left, r.top + m.top, c->FWidth, availH);
                r.left += c->FWidth + m.left + m.right;
                break;
            case alRight:
                c->SetBounds(r.right - m.right - c->FWidth, r.top + m.top, c->FWidth, availH);
                r.right -= c->FWidth + m.left + m.right;
                break;
            default:
                c->SetBounds(r.left + m.left, r.top + m.top, availW, availH);
                break;
            }
        }
    }
    FAligning = false;
}

void TControl::SetText(const std::string& value) {
    if (value == FText) return;
    FText = value;
    Perform(CM_TEXTCHANGED, 0, 0);
    Invalidate();
}

bool TControl::CanFocus() const {
    return GetParentWindow() && Showing() && IsEnabledInTree();
}

bool TControl::Focused() const {
    TWindow* w = GetParentWindow();
    return w && w->ActiveControl() == this;
}

void TControl::SetFocus() {
    if (TWindow* w = GetParentWindow()) w->SetActiveControl(this == w ? nullptr : this);
}

bool TControl::MouseCapture() const {
    TWindow* w = GetParentWindow();
    return w && w->CaptureControl() == this;
}

void TControl::SetMouseCapture(bool value) {
    TWindow* w = GetParentWindow();
    if (!w) return;
    if (value)
        w->SetCaptureControl(this);
    else if (w->CaptureControl() == this)
        w->SetCaptureControl(nullptr);
}

void TControl::Invalidate() {
    if (TWindow* w = GetParentWindow()) w->FNeedsPaint = true;
}

void TControl::Update() {
    TWindow* w = GetParentWindow();
    if (w && w->FShown && w->FNeedsPaint) w->PaintWindow();
}

void TControl::SetTimer(WPARAM id, uint32_t intervalMs) {
    platform::SetTimer(FHandle, id, intervalMs);
}
void TControl::KillTimer(WPARAM id) {
    platform::KillTimer(FHandle, id);
}

TControl* TControl::ControlAtPoint(POINT p) {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (!c->FVisible || !c->BoundsRect().Contains(p.x, p.y)) continue;
        if (!c->FEnabled) return this;
        POINT local{p.x - c->FLeft - c->FClientInsets.left, p.y - c->FTop - c->FClientInsets.top};
        if (!c->ClientRect().Contains(local.x, local.y)) return c;
        return c->ControlAtPoint(local);
    }
    return this;
}

void TControl::PaintTree(TSurface& surface, POINT origin, const RECT& clip) {
    if (!FVisible || !FRedraw) return;
    RECT bounds{origin.x, origin.y, origin.x + FWidth, origin.y + FHeight};
    RECT c = clip.Intersect(bounds);
    if (c.IsEmpty()) return;
    TDeviceContext nc{&surface, origin, c};
    Perform(WM_NCPAINT, reinterpret_cast<WPARAM>(&nc), 0);
    POINT co{origin.x + FClientInsets.left, origin.y + FClientInsets.top};
    RECT cr = ClientRect().Offset(co.x, co.y).Intersect(c);
    if (cr.IsEmpty()) return;
    TDeviceContext dc{&surface, co, cr};
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc), 0);
    dc = {&surface, co, cr};
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(&dc), 0);
    for (TControl* child : std::vector<TControl*>(FControls))
        child->PaintTree(surface, {co.x + child->FLeft, co.y + child->FTop}, cr);
}

// ---------------------------------------------------------------------------
// TWindow

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
            WindowBackend()->Present(this, FSurface);
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

void TWindow::MouseInput(TMouseKind kind, POINT screen, WPARAM keys, int clicks, int wheel) {
    if (!FShown) return;
    if (FTrack != TrackMode::None) {
        if (kind == TMouseKind::Move) TrackTo(screen);
        if (kind == TMouseKind::LeftUp) {
            TrackTo(screen);
            FTrack = TrackMode::None;
            WindowBackend()->SetCapture(this, FCapture != nullptr);
        }
        return;
    }
    if (!InputAllowed(this) && kind != TMouseKind::Move && kind != TMouseKind::Leave) return;
    if (kind == TMouseKind::LeftDown || kind == TMouseKind::RightDown) Activated();
    POINT wp{screen.x - Left(), screen.y - Top()};
    LPARAM screenL = LParamFromPoint(screen);

    auto setHover = [this](TControl* c) {
        if (c == FHover) return;
        TControl* old = FHover;
        FHover = c;
        if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
        if (c) c->Perform(CM_MOUSEENTER, 0, 0);
    };

    if (kind == TMouseKind::Leave) {
        if (!FCapture) setHover(nullptr);
        return;
    }

    TControl* target = FCapture;
    LRESULT ht = HTCLIENT;
    if (!target) {
        ht = Perform(WM_NCHITTEST, 0, screenL);
        if (ht == HTCLIENT) {
            POINT cp{wp.x - ClientInsets().left, wp.y - ClientInsets().top};
            target = ControlAtPoint(cp);
        }
    }

    if (!target) {
        setHover(nullptr);
        switch (kind) {
        case TMouseKind::Move:
            Perform(WM_SETCURSOR, Handle(), MAKELPARAM(int(ht), int(WM_MOUSEMOVE)));
            Perform(WM_NCMOUSEMOVE, WPARAM(ht), screenL);
            break;
        case TMouseKind::LeftDown:
            Perform(clicks >= 2 ? WM_NCLBUTTONDBLCLK : WM_NCLBUTTONDOWN, WPARAM(ht), screenL);
            break;
        case TMouseKind::LeftUp:
            Perform(WM_NCLBUTTONUP, WPARAM(ht), screenL);
            break;
        default:
            break;
        }
        return;
    }

    if (target == FCapture) {
        // Hover follows the cursor even while a control holds the capture.
        POINT cp{wp.x - ClientInsets().left, wp.y - ClientInsets().top};
        TControl* under = FClientInWindow.Contains(wp.x, wp.y) ? ControlAtPoint(cp) : nullptr;
        if (under != target && FHover == target) setHover(nullptr);
        if (under == target) setHover(target);
    } else {
        setHover(target);
    }
    POINT local = target->ScreenToClient(screen);
    LPARAM localL = LParamFromPoint(local);
    switch (kind) {
    case TMouseKind::Move:
        target->Perform(WM_SETCURSOR, target->Handle(),
                        MAKELPARAM(int(HTCLIENT), int(WM_MOUSEMOVE)));
        target->Perform(WM_MOUSEMOVE, keys, localL);
        break;
    case TMouseKind::LeftDown:
        if (!FCapture) {
            SetCaptureControl(target);
            FAutoCapture = true;
        }
        target->Perform(clicks >= 2 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, keys | MK_LBUTTON, localL);
        break;
    case TMouseKind::LeftUp: {
        bool release = FAutoCapture && FCapture == target;
        target->Perform(WM_LBUTTONUP, keys & ~MK_LBUTTON, localL);
        if (release && FCapture == target) SetCaptureControl(nullptr);
        break;
    }
    case TMouseKind::RightDown:
        target->Perform(WM_RBUTTONDOWN, keys | MK_RBUTTON, localL);
        break;
    case TMouseKind::RightUp:
        target->Perform(WM_RBUTTONUP, keys, localL);
        break;
    case TMouseKind::Wheel:
        target->Perform(WM_MOUSEWHEEL,
                        WPARAM(uint32_t(keys) | (uint32_t(uint16_t(int16_t(wheel))) << 16)),
                        screenL);
        break;
    default:
        break;
    }
}

namespace {
WPARAM gKeyModifiers = 0;
}

WPARAM KeyModifiers() {
    return gKeyModifiers;
}

void TWindow::KeyInput(bool down, WPARAM vk, WPARAM modifiers) {
    gKeyModifiers = modifiers;
    if (!FShown || !InputAllowed(this)) return;
    TControl* target = FActiveControl ? FActiveControl : this;
    LRESULT handled = target->Perform(down ? WM_KEYDOWN : WM_KEYUP, vk, LPARAM(modifiers));
    if (!down || handled) return;
    if (vk == VK_TAB) {
        SelectNext((modifiers & MK_SHIFT) == 0);
    } else if (vk == VK_RETURN || vk == VK_ESCAPE) {
        TMessage m{CM_DIALOGKEY, vk, LPARAM(modifiers), 0};
        DialogKey(this, m);
    } else if (vk == VK_F4 && (modifiers & MK_ALT)) {
        Perform(WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if ((modifiers & MK_ALT) && ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))) {
        // Alt + letter: the control whose caption marks it as accelerator.
        TMessage m{CM_DIALOGCHAR, vk, LPARAM(modifiers), 0};
        DialogKey(this, m);
    }
}

void TWindow::CharInput(char32_t ch) {
    if (!FShown || !InputAllowed(this)) return;
    TControl* target = FActiveControl ? FActiveControl : this;
    target->Perform(WM_CHAR, WPARAM(ch), 0);
}

LRESULT TWindow::NativeHitTest(POINT screen) {
    if (FTrack != TrackMode::None) return HTCLIENT;
    LRESULT ht = Perform(WM_NCHITTEST, 0, LParamFromPoint(screen));
    if (ht == HTCAPTION && NonClientControlAt &&
        NonClientControlAt({screen.x - Left(), screen.y - Top()}))
        return HTCLIENT;
    return ht;
}

void TWindow::NativeMoved(int left, int top) {
    if (left == Left() && top == Top()) return;
    SetBoundsRaw(left, top, Width(), Height());
    Perform(WM_MOVE, 0, MAKELPARAM(left, top));
}

void TWindow::NativeResized(int width, int height) {
    if (width == Width() && height == Height()) return;
    SetBoundsRaw(Left(), Top(), width, height);
    BoundsChanged(false, true);
}

void TWindow::NativeMinimized() {
    if (FWindowState == wsMinimized) return;
    // What the platform sends when the task bar minimises a window.
    WINDOWPOS wp{Handle(),
                 0,
                 Left(),
                 Top(),
                 Width(),
                 Height(),
                 SWP_NOCOPYBITS | SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOACTIVATE};
    Perform(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    FWindowState = wsMinimized;
    FStyle |= WS_MINIMIZE;
    Perform(WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(ClientWidth(), ClientHeight()));
}

void TWindow::NativeRestored() {
    if (FWindowState != wsMinimized) return;
    Perform(WM_SYSCOMMAND, SC_RESTORE, 0);
}

void TWindow::NativeCloseRequest() {
    Perform(WM_SYSCOMMAND, SC_CLOSE, 0);
}

void TWindow::NativeExposed() {
    if (FShown) WindowBackend()->Present(this, FSurface);
}

// ---------------------------------------------------------------------------
// TApplication

TApplication* Application() {
    static auto* app = new TApplication();
    return app;
}

bool TApplication::ProcessMessages() {
    return Process(false);
}

bool TApplication::Process(bool pacePainting) {
    bool any = ProcessMainThreadQueue() > 0;
    any = WindowBackend()->PumpEvents() || any;
    any = FireDueTimers() > 0 || any;
    any = ProcessMainThreadQueue() > 0 || any;
    const uint64_t now = GetTickCount64();
    const bool due = !pacePainting || now - FLastPaint >= kPaintIntervalMs;
    FPaintPending = false;
    for (TWindow* w : std::vector<TWindow*>(FWindows)) {
        auto& list = FWindows;
        if (std::find(list.begin(), list.end(), w) == list.end()) continue;
        if (!w->FShown || !w->FNeedsPaint) continue;
        if (!due) {
            FPaintPending = true;
            continue;
        }
        w->PaintWindow();
        FLastPaint = now;
    }
    return any;
}

void TApplication::HandleMessage() {
    if (Process(true)) return;
    uint64_t wait = 50;
    if (auto next = TimeToNextTimer()) wait = std::min<uint64_t>(*next, wait);
    if (FPaintPending) {
        uint64_t since = GetTickCount64() - FLastPaint;
        wait = std::min<uint64_t>(wait, since >= kPaintIntervalMs ? 0 : kPaintIntervalMs - since);
    }
    if (wait > 0) WindowBackend()->WaitEvents(uint32_t(wait));
}

void TApplication::Run() {
    while (!FTerminated) {
        if (FMainForm && !FMainForm->FShown) break;
        HandleMessage();
    }
}

TWindow* ActiveWindow() {
    const auto& stack = ModalStack();
    if (!stack.empty() && stack.back()->FShown) return stack.back();
    TWindow* best = nullptr;
    for (TWindow* w : Application()->Windows()) {
        if (!w->FShown || w->FWindowState == wsMinimized || (w->FExStyle & WS_EX_NOACTIVATE))
            continue;
        if (!best || w->FActivation > best->FActivation) best = w;
    }
    return best;
}

TWindow* WindowFromPoint(POINT screen) {
    return WindowBackend()->WindowAt(screen);
}

TControl* ControlFromPoint(POINT screen) {
    TWindow* w = WindowFromPoint(screen);
    if (!w) return nullptr;
    POINT p{screen.x - w->Left(), screen.y - w->Top()};
    if (!w->ClientRectInWindow().Contains(p.x, p.y)) return w;
    return w->ControlAtPoint({p.x - w->ClientInsets().left, p.y - w->ClientInsets().top});
}
POINT GetCursorPos() {
    return WindowBackend()->CursorPos();
}

} // namespace platform
