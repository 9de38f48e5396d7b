#include "ui/VirtualStringTree.h"

#include "skin/ZelSkinDC.h"

using namespace platform;
using namespace gui;

namespace {
constexpr WPARAM kHintTimer = 1;

uint32_t ShiftOf(WPARAM keys) {
    uint32_t shift = 0;
    if (keys & MK_SHIFT) shift |= ssShift;
    if (keys & MK_CONTROL) shift |= ssCtrl;
    if (keys & MK_ALT) shift |= ssAlt;
    return shift;
}
} // namespace

TVirtualStringTree::TVirtualStringTree(TControl* parent) : TControl(parent) {
    SetTabStop(true);
    FGrid.OnInvalidate = [this](const TRect&) { Invalidate(); };
}

void TVirtualStringTree::BoundsChanged(bool moved, bool resized) {
    TControl::BoundsChanged(moved, resized);
    if (resized) FGrid.SetClientSize(ClientWidth(), ClientHeight());
}

void TVirtualStringTree::HideHint() {
    KillTimer(kHintTimer);
    if (FHint.show) {
        FHint.show = false;
        Invalidate();
    }
}

void TVirtualStringTree::Paint(HDC dc) {
    int w = ClientWidth(), h = ClientHeight();
    if (w <= 0 || h <= 0) return;
    if (FBuffer.Width() != w || FBuffer.Height() != h) FBuffer.SetSize(w, h);
    TZelPainter painter(FBuffer);
    FGrid.Paint(painter);
    if (FHint.show) {
        // Below and right of the pointer, kept inside the grid.
        int x = std::min(FHintPoint.x + 12, std::max(0, w - FHint.size.cx));
        int y = std::min(FHintPoint.y + 18, std::max(0, h - FHint.size.cy));
        painter.Save();
        painter.Translate(x, y);
        painter.IntersectClip({0, 0, FHint.size.cx, FHint.size.cy});
        FGrid.PaintHint(painter, FHint);
        painter.Restore();
    }
    FBuffer.SetDrawMode(dmOpaque);
    DrawImageToDC(dc, 0, 0, FBuffer);
}

void TVirtualStringTree::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT:
        Paint(DCFromWParam(m.WParam));
        return;
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        HideHint();
        if (CanFocus()) SetFocus();
        POINT p = PointFromLParam(m.LParam);
        SetMouseCapture(true);
        FGrid.MouseDown(p.x, p.y, ShiftOf(m.WParam), m.Msg == WM_LBUTTONDBLCLK);
        return;
    }
    case WM_MOUSEMOVE: {
        POINT p = PointFromLParam(m.LParam);
        FGrid.MouseMove(p.x, p.y);
        if (p != FHintPoint) {
            HideHint();
            FHintPoint = p;
            if (FGrid.ShowHint) SetTimer(kHintTimer, kHintDelayMs);
        }
        return;
    }
    case WM_LBUTTONUP: {
        POINT p = PointFromLParam(m.LParam);
        SetMouseCapture(false);
        FGrid.MouseUp(p.x, p.y);
        return;
    }
    case WM_MOUSEWHEEL:
        HideHint();
        FGrid.MouseWheel(static_cast<int16_t>(static_cast<uint16_t>(m.WParam >> 16)));
        m.Result = 1;
        return;
    case WM_KEYDOWN:
        FGrid.KeyDown(static_cast<uint16_t>(m.WParam), ShiftOf(static_cast<WPARAM>(m.LParam)));
        m.Result = 1;
        return;
    case WM_TIMER:
        if (m.WParam == kHintTimer) {
            KillTimer(kHintTimer);
            FHint = FGrid.HintAt(FHintPoint.x, FHintPoint.y);
            if (FHint.show) Invalidate();
            return;
        }
        break;
    case CM_MOUSELEAVE:
        HideHint();
        break;
    default:
        break;
    }
    TControl::WndProc(m);
}
