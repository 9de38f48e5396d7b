#include "skin/ZelSkinProgressBar.h"

#include <algorithm>
#include <cmath>

using namespace platform;
using namespace gui;

namespace {

constexpr WPARAM kPageTimer = 1;
constexpr uint32_t kPageFirstDelay = 200;
constexpr uint32_t kPageRepeat = 100;

} // namespace

// ---------------------------------------------------------------------------
// TZelCaption

TZelCaption::TZelCaption() {
    FLight.OnChanged = [this](void*) { Changed(); };
}

void TZelCaption::Changed() {
    if (OnChanged) OnChanged(this);
}

void TZelCaption::SetText(const std::string& value) {
    if (value == FText) return;
    FText = value;
    Changed();
}
void TZelCaption::SetVisible(bool value) {
    if (value == FVisible) return;
    FVisible = value;
    Changed();
}
void TZelCaption::SetFont(const TZelFont& value) {
    if (value == FFont) return;
    FFont = value;
    Changed();
}
void TZelCaption::SetOffsetX(int32_t value) {
    if (value == FOffsetX) return;
    FOffsetX = value;
    Changed();
}
void TZelCaption::SetOffsetY(int32_t value) {
    if (value == FOffsetY) return;
    FOffsetY = value;
    Changed();
}

// ---------------------------------------------------------------------------
// TZelPBTrackButton

void TZelPBTrackButton::Changed() {
    if (OnChanged) OnChanged(this);
}
void TZelPBTrackButton::SetNormal(const TZelResID& value) {
    FNormal = value;
    Changed();
}
void TZelPBTrackButton::SetHot(const TZelResID& value) {
    FHot = value;
    Changed();
}
void TZelPBTrackButton::SetVisible(bool value) {
    FVisible = value;
    Changed();
}
void TZelPBTrackButton::SetOffset(int32_t value) {
    FOffset = value;
    Changed();
}
void TZelPBTrackButton::SetAlwaysShow(bool value) {
    FAlwaysShow = value;
    Changed();
}

// ---------------------------------------------------------------------------
// TZelSkinProgressBar

TZelSkinProgressBar::TZelSkinProgressBar(TControl* AOwner) : TZelSkinCustomControl(AOwner) {
    SetBounds(Left(), Top(), 150, 17);
    FCaption.OnChanged = [this](void*) { Repaint(); };
    FTrackButton.OnChanged = [this](void*) {
        // Only a slider takes the focus (for its keys).
        SetTabStop(FTrackButton.Visible());
        Repaint();
    };
}

void TZelSkinProgressBar::SetMinValue(int32_t value) {
    FMinValue = value;
    if (FValue < value) FValue = value;
    Repaint();
}

void TZelSkinProgressBar::SetMaxValue(int32_t value) {
    FMaxValue = value;
    if (FValue > value) FValue = value;
    Repaint();
}

void TZelSkinProgressBar::SetValue(int32_t value) {
    if (value > FMaxValue) value = FMaxValue;
    if (value < FMinValue) value = FMinValue;
    if (value == FValue) return;
    FValue = value;
    Repaint();
    if (FUpdateCount <= 0 && OnChanged) OnChanged(this);
}

void TZelSkinProgressBar::SetBar_Background(const TZelResID& value) {
    if (value == FBar_Background) return;
    FBar_Background = value;
    Repaint();
}
void TZelSkinProgressBar::SetBar_Progress(const TZelResID& value) {
    if (value == FBar_Progress) return;
    FBar_Progress = value;
    Repaint();
}
void TZelSkinProgressBar::SetBarLeftRightSize(int32_t value) {
    if (value == FBarLeftRightSize) return;
    FBarLeftRightSize = value;
    Repaint();
}

int TZelSkinProgressBar::FilledWidth() const {
    const int W = ClientWidth();
    double d = double(FMaxValue) - double(FMinValue);
    if (d == 0) d = 1;
    const double pw = std::trunc((double(FValue) - double(FMinValue)) / d * W);
    return int(std::clamp(pw, 0.0, double(W)));
}

int32_t TZelSkinProgressBar::PageSize() const {
    const int64_t range = int64_t(FMaxValue) - FMinValue;
    return int32_t(std::max<int64_t>(1, range / 10));
}

TZelSkinImage* TZelSkinProgressBar::ThumbImage(bool* IsHot) const {
    auto find = [](const TZelResID& name) -> TZelSkinImage* {
        if (name.empty()) return nullptr;
        TZelSkinImage* img = SkinResManager()->GetImageByName(name);
        return img && !img->Empty() ? img : nullptr;
    };
    if (IsHot) *IsHot = false;
    if (FMouseInside)
        if (TZelSkinImage* hot = find(FTrackButton.Hot())) {
            if (IsHot) *IsHot = true;
            return hot;
        }
    return find(FTrackButton.Normal());
}

void TZelSkinProgressBar::LayoutThumb() {
    const int W = ClientWidth(), H = ClientHeight();
    FTrackRect = {0, 0, W, H};
    bool hotShows = false;
    TZelSkinImage* img = ThumbImage(&hotShows);
    if (!img) {
        FThumbRect = {};
        return;
    }
    double d = double(FMaxValue) - double(FMinValue);
    if (d == 0) d = 1;
    int right = int(std::trunc((double(FValue) - FMinValue) / d * W)) + FTrackButton.Offset();
    int left = right - img->Width();
    if (FTrackButton.AlwaysShow() || hotShows) {
        if (right > W) left = W - img->Width();
        if (left < 0) left = 0;
    }
    const int top = (H - img->Height()) / 2;
    FThumbRect = TRect::Bounds(left, top, img->Width(), img->Height());
}

int32_t TZelSkinProgressBar::ValueAt(int X, int Y) const {
    (void)Y;
    TZelSkinImage* img = ThumbImage(nullptr);
    const int W = ClientWidth();
    if (W <= 0) return FMinValue;
    // The value's point lies at the thumb's right edge less Offset, so the
    // thumb's centre sits Offset − width ÷ 2 from it.
    const double centre = FTrackButton.Offset() - (img ? img->Width() / 2.0 : 0.0);
    const double v = std::round(
        (X - FTrackRect.Left - centre) / W * (double(FMaxValue) - FMinValue) + FMinValue);
    const double lo = std::min(FMinValue, FMaxValue), hi = std::max(FMinValue, FMaxValue);
    return int32_t(std::clamp(v, lo, hi));
}

void TZelSkinProgressBar::PageStep() {
    LayoutThumb();
    const TRect& t = FThumbRect;
    // Done once the thumb has reached the held point, or passed it.
    const int direction = FPageTargetX < t.Left ? -1 : 1;
    const bool reached = (FPageTargetX >= t.Left && FPageTargetX < t.Right) ||
                         (FPageDirection != 0 && direction != FPageDirection);
    FPageDirection = direction;
    const int32_t before = FValue;
    if (!reached) {
        // The last page stops where the pointer is instead of passing it.
        const int64_t target = ValueAt(FPageTargetX);
        int64_t next = int64_t(FValue) + direction * int64_t(PageSize());
        next = direction > 0 ? std::min(next, target) : std::max(next, target);
        SetValue(int32_t(next));
    }
    if (reached || FValue == before) {
        FPaging = false;
        KillTimer(kPageTimer);
    }
}

void TZelSkinProgressBar::SliderKey(WPARAM Key) {
    switch (Key) {
    case VK_HOME:
        SetValue(FMinValue);
        break;
    case VK_END:
        SetValue(FMaxValue);
        break;
    case VK_LEFT:
    case VK_DOWN:
    case VK_NEXT:
    case VK_SUBTRACT:
        SetValue(FValue - 1);
        break;
    case VK_RIGHT:
    case VK_UP:
    case VK_PRIOR:
    case VK_ADD:
        SetValue(FValue + 1);
        break;
    default:
        break;
    }
}

void TZelSkinProgressBar::WndProc(TMessage& m) {
    const bool slider = FTrackButton.Visible();
    switch (m.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        FMouseInside = m.Msg == CM_MOUSEENTER;
        if (slider) Repaint();
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!slider) break;
        if (CanFocus() && !Focused()) SetFocus();
        POINT p = PointFromLParam(m.LParam);
        LayoutThumb();
        if (FThumbRect.Contains(p.x, p.y)) {
            FDragging = true;
        } else {
            FPaging = true;
            FPageTargetX = p.x;
            FPageDirection = 0;
            PageStep();
            if (FPaging) SetTimer(kPageTimer, kPageFirstDelay);
        }
        break;
    }
    case WM_MOUSEMOVE:
        if (FDragging) SetValue(ValueAt(PointFromLParam(m.LParam).x));
        if (FPaging) FPageTargetX = PointFromLParam(m.LParam).x;
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        FDragging = FPaging = false;
        KillTimer(kPageTimer);
        break;
    case WM_TIMER:
        if (m.WParam == kPageTimer) {
            SetTimer(kPageTimer, kPageRepeat);
            PageStep();
            return;
        }
        break;
    case WM_KEYDOWN:
        if (slider) {
            SliderKey(m.WParam);
            m.Result = 1;
            return;
        }
        break;
    default:
        break;
    }
    TZelSkinCustomControl::WndProc(m);
}

void TZelSkinProgressBar::PaintControl(TZelSkinImage& Buffer) {
    const int W = Buffer.Width(), H = Buffer.Height();
    if (W < 30) return;
    TZelSkinImage* bg = SkinResManager()->GetImageByName(FBar_Background);
    if (!bg || bg->Empty()) return;
    TZelPainter p(Buffer);
    if (auto back = ResizeSkinImage(bg, W, bg->Height())) p.Draw(0, (H - bg->Height()) / 2, *back);
    const int pw = FilledWidth();
    TZelSkinImage* cur = SkinResManager()->GetImageByName(FBar_Progress);
    if (cur && !cur->Empty() && pw > 0)
        if (auto filled = StretchBarImage(cur, pw, FBarLeftRightSize))
            p.Draw(0, (H - cur->Height()) / 2, *filled);
    if (FTrackButton.Visible()) {
        LayoutThumb();
        if (TZelSkinImage* thumb = ThumbImage(nullptr))
            p.Draw(FThumbRect.Left, FThumbRect.Top, *thumb);
    }
    if (FCaption.Visible() && !FCaption.Text().empty()) {
        const TRect r = TRect{0, 0, W, H}.Offset(FCaption.OffsetX(), FCaption.OffsetY());
        const TTextFormat flags = tfCenter | tfVerticalCenter | tfSingleLine;
        if (FCaption.Light().Active())
            DrawGlowText(p, FCaption.Font(), r, FCaption.Text(), FCaption.Light().BlurRadius(),
                         FCaption.Light().Color(), flags);
        DrawText(p, FCaption.Font(), FCaption.Text(), r, flags);
    }
}
