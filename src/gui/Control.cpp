#include "gui/Control.h"

#include "gui/ControlTree.h"
#include "gui/Timers.h"
#include "gui/WindowBackend.h"

#include <algorithm>

namespace gui {

using namespace platform;
namespace internal {

std::unordered_map<HWND, TControl*>& Handles() {
    static auto* m = new std::unordered_map<HWND, TControl*>();
    return *m;
}

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

} // namespace internal

using namespace internal;

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
    gui::SetTimer(FHandle, id, intervalMs);
}
void TControl::KillTimer(WPARAM id) {
    gui::KillTimer(FHandle, id);
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

} // namespace gui
