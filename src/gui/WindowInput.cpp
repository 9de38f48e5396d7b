// How native input reaches the controls of a window: mouse capture and
// hover, clicks and double clicks, the wheel, keys and dialog keys.
#include "gui/Window.h"

#include "gui/Application.h"
#include "gui/ControlTree.h"
#include "gui/WindowBackend.h"

#include <algorithm>

namespace gui {

using namespace platform;

using namespace internal;

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
    if (FShown) PresentSurface();
}

} // namespace gui
