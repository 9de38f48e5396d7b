#include "skin/ZelSkinControls.h"

#include "skin/ZelSkinForm.h"

#include <algorithm>
#include <cmath>

using namespace platform;
using namespace gui;

namespace {

constexpr WPARAM kDelayRefreshTimer = 10000;

std::vector<TZelSkinCustomControl*>& List() {
    static auto* l = new std::vector<TZelSkinCustomControl*>();
    return *l;
}

} // namespace

const std::vector<TZelSkinCustomControl*>& SkinControls() {
    return List();
}

void RepaintSkinControlsOf(TWindow* window) {
    for (TZelSkinCustomControl* c : std::vector<TZelSkinCustomControl*>(List()))
        if (c->GetParentWindow() == window) {
            c->Repaint();
            c->InvalidateNC();
        }
}

// ---------------------------------------------------------------------------
// TZelSkinCustomControl

TZelSkinCustomControl::TZelSkinCustomControl(TControl* AOwner) : TControl(AOwner) {
    List().push_back(this);
    SetBounds(Left(), Top(), 100, 100);
}

TZelSkinCustomControl::~TZelSkinCustomControl() {
    auto& l = List();
    l.erase(std::remove(l.begin(), l.end(), this), l.end());
}

void TZelSkinCustomControl::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    Repaint();
}

void TZelSkinCustomControl::SetColor(TColor value) {
    if (value == FColor) return;
    FColor = value;
    Repaint();
}

namespace {
void InvalidateTransparentInside(TControl* control) {
    for (TControl* child : control->Controls()) {
        if (auto* s = dynamic_cast<TZelSkinCustomControl*>(child); s && s->Transparent())
            s->Repaint();
        else
            InvalidateTransparentInside(child);
    }
}
} // namespace

void TZelSkinCustomControl::Repaint() {
    FBufferValid = false;
    InvalidateTransparentInside(this);
    Invalidate();
}

void TZelSkinCustomControl::InvalidateNC() {
    RECT cr = ClientRect();
    if (cr.right < Width() || cr.bottom < Height()) Invalidate();
}

void TZelSkinCustomControl::RefreshSubControl(bool All) {
    for (TControl* child : std::vector<TControl*>(Controls())) {
        if (!All) {
            PostMessageW(child->Handle(), WM_SKIN_REFRESH, 0, 0);
        } else if (auto* s = dynamic_cast<TZelSkinCustomControl*>(child)) {
            s->Repaint();
            s->InvalidateNC();
            s->RefreshSubControl(true);
        }
    }
}

void TZelSkinCustomControl::PaintBuffer() {
    if (FLocked) return;
    RECT cr = ClientRect();
    if (FBuffer.Width() != cr.right || FBuffer.Height() != cr.bottom)
        FBuffer.SetSize(cr.right, cr.bottom, Color32(FColor));
    FLocked = true;
    bool handled = false;
    if (OnBackgroundChanging) OnBackgroundChanging(this, FBuffer, handled);
    if (!handled) {
        if (FTransparent)
            CopyParentBackground(this, FBuffer,
                                 TRect::Bounds(Left() + FXOffset, Top() + FYOffset, FBuffer.Width(),
                                               FBuffer.Height()));
        else
            FBuffer.Clear(Color32(FColor));
    }
    if (OnBackgroundChanged) OnBackgroundChanged(this, FBuffer);
    PaintControl(FBuffer);
    FLocked = false;
    // A control that sticks out of its parent is rebuilt at every paint.
    TControl* parent = Parent();
    FBufferValid = !parent || (BoundsRect().right <= parent->ClientWidth() &&
                               BoundsRect().bottom <= parent->ClientHeight());
}

void TZelSkinCustomControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT: {
        if (FStopDrawing) break;
        RECT cr = ClientRect();
        if (FBuffer.Width() != cr.right || FBuffer.Height() != cr.bottom) FBufferValid = false;
        if (!FBufferValid) PaintBuffer();
        DrawImageToDC(DCFromWParam(m.WParam), 0, 0, FBuffer, FBuffer.BoundsRect(), dmOpaque);
        break;
    }
    case WM_NCPAINT:
        if (ClientInsets() != RECT{}) PaintNC(DCFromWParam(m.WParam));
        break;
    case WM_ERASEBKGND:
        if (FEraseBackground && m.WParam) {
            if (!FBufferValid) PaintBuffer();
            DrawImageToDC(DCFromWParam(m.WParam), 0, 0, FBuffer, FBuffer.BoundsRect(), dmOpaque);
        }
        m.Result = 1;
        break;
    case WM_SIZE: {
        TControl::WndProc(m);
        RECT cr = ClientRect();
        FBuffer.SetSize(cr.right, cr.bottom, Color32(FColor));
        Repaint();
        if (FDelayRefresh) {
            FStopDrawing = true;
            SetTimer(kDelayRefreshTimer, 10);
        }
        break;
    }
    case WM_TIMER:
        if (m.WParam == kDelayRefreshTimer) {
            KillTimer(kDelayRefreshTimer);
            FStopDrawing = false;
            Repaint();
        } else {
            TControl::WndProc(m);
        }
        break;
    case WM_MOVE:
        TControl::WndProc(m);
        if (FAutoInvalidate) {
            FBufferValid = false;
            Invalidate();
            RefreshSubControl(false);
        }
        break;
    case WM_SKIN_REFRESH:
        Repaint();
        InvalidateNC();
        break;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
        TControl::WndProc(m);
        Repaint();
        break;
    default:
        TControl::WndProc(m);
        break;
    }
}

void CopyParentBackground(gui::TControl* Control, TZelSkinImage& Buffer, const TRect& Rect) {
    TControl* parent = Control->Parent();
    if (!parent || Buffer.Empty()) return;
    TZelPainter painter(Buffer);
    if (TZelSkinForm* frame = TZelFormSkinHelper::FindSkinForm(parent)) {
        TZelSkinImage* src = frame->GetBackgroundPicture();
        TRect r =
            Rect.Offset(frame->FramWidth(), frame->Style() == ssPicture ? frame->TitleHeight() : 0);
        painter.StretchDraw(Buffer.BoundsRect(), *src, r, src->DrawMode());
        return;
    }
    if (auto* skinned = dynamic_cast<TZelSkinCustomControl*>(parent)) {
        if (!skinned->FBufferValid && !skinned->FLocked) skinned->PaintBuffer();
        TZelSkinImage& src = skinned->FBuffer;
        painter.StretchDraw(Buffer.BoundsRect(), src, Rect, src.DrawMode());
        return;
    }
    // Any other parent paints its client area (and the siblings before the
    // control that overlap it) into a surface under the control.
    TSurface s;
    s.SetSize(Buffer.Width(), Buffer.Height(), 0);
    POINT origin{-Rect.Left, -Rect.Top};
    RECT clip =
        parent->ClientRect().Offset(origin.x, origin.y).Intersect({0, 0, s.Width, s.Height});
    if (!clip.IsEmpty()) {
        TDeviceContext dc{&s, origin, clip};
        parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc), 0);
        dc = {&s, origin, clip};
        parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&dc), 0);
        for (TControl* sibling : std::vector<TControl*>(parent->Controls())) {
            if (sibling == Control) break;
            if (!sibling->Visible() || ToTRect(sibling->BoundsRect()).Intersect(Rect).IsEmpty())
                continue;
            sibling->PaintTree(s, {origin.x + sibling->Left(), origin.y + sibling->Top()}, clip);
        }
    }
    TZelSkinImage img = ImageFromSurface(s);
    painter.Copy(0, 0, img, img.BoundsRect());
}

// ---------------------------------------------------------------------------
// Panel

TZelSkinCustomPanel::TZelSkinCustomPanel(TControl* AOwner) : TZelSkinCustomControl(AOwner) {
    SetBounds(Left(), Top(), 185, int(185 * 0.618));
}

void TZelSkinCustomPanel::SetAlpha(uint8_t value) {
    if (value == FAlpha) return;
    FAlpha = value;
    Repaint();
}
void TZelSkinCustomPanel::SetBorderSides(TZelBorderSides value) {
    if (value == FBorderSides) return;
    FBorderSides = value;
    Realign();
    Repaint();
}
void TZelSkinCustomPanel::SetBorderColor(TColor value) {
    if (value == FBorderColor) return;
    FBorderColor = value;
    Repaint();
}
void TZelSkinCustomPanel::SetBorderAlpha(uint8_t value) {
    if (value == FBorderAlpha) return;
    FBorderAlpha = value;
    Repaint();
}
void TZelSkinCustomPanel::SetDoubleBorder(bool value) {
    if (value == FDoubleBorder) return;
    FDoubleBorder = value;
    Realign();
    Repaint();
}
void TZelSkinCustomPanel::SetBackgroundImage(const TZelResID& value) {
    if (value == FBackgroundImage) return;
    FBackgroundImage = value;
    Repaint();
}
void TZelSkinCustomPanel::SetBackgroundFillType(TZelBackgroundFillType value) {
    if (value == FBackgroundFillType) return;
    FBackgroundFillType = value;
    Repaint();
}

void TZelSkinCustomPanel::AdjustClientRect(RECT& rect) {
    int d = FDoubleBorder ? 2 : 1;
    if (FBorderSides & sdLeft) rect.left += d;
    if (FBorderSides & sdTop) rect.top += d;
    if (FBorderSides & sdRight) rect.right -= d;
    if (FBorderSides & sdBottom) rect.bottom -= d;
}

void TZelSkinCustomPanel::PaintControl(TZelSkinImage& Buffer) {
    TZelPainter p(Buffer);
    if (FAlpha == 255) {
        p.FillRect(Buffer.BoundsRect(), Color32(Color()));
    } else if (FAlpha > 0) {
        RECT r = ClientRect();
        AdjustClientRect(r);
        p.FillRect(ToTRect(r), Color(), FAlpha);
    }
    if (!FBackgroundImage.empty()) {
        if (TZelSkinImage* img = SkinResManager()->GetImageByName(FBackgroundImage);
            img && !img->Empty()) {
            int W = Buffer.Width(), H = Buffer.Height();
            switch (FBackgroundFillType) {
            case ftNormal:
                p.Draw(FBackgroundOffsetX, FBackgroundOffsetY, *img);
                break;
            case ftTile:
                for (int y = 0; y < H; y += img->Height())
                    for (int x = 0; x < W; x += img->Width())
                        p.Draw(x, y, *img);
                break;
            case ftAutoStretch:
                p.StretchDraw(Buffer.BoundsRect(), *img);
                break;
            case ftCenter:
                p.Draw((W - img->Width()) / 2, (H - img->Height()) / 2, *img);
                break;
            }
        }
    }
    if (OnCustomDraw) OnCustomDraw(this, Buffer);
    DrawBorder(Buffer);
}

void TZelSkinCustomPanel::DrawBorder(TZelSkinImage& Buffer) {
    TZelPainter p(Buffer);
    int W = Buffer.Width(), H = Buffer.Height();
    TColor32 outer = Color32(FBorderColor, FBorderAlpha);
    TColor32 inner = Color32(clWhite, FBorderAlpha);
    if (FBorderSides & sdLeft) {
        p.Line(0, 0, 0, H, outer);
        if (FDoubleBorder) p.Line(1, 1, 1, H, inner);
    }
    if (FBorderSides & sdTop) {
        p.Line(0, 0, W, 0, outer);
        if (FDoubleBorder) p.Line(1, 1, W, 1, inner);
    }
    if ((FBorderSides & sdRight) && W > 1) {
        p.Line(W - 1, 0, W - 1, H, outer);
        if (FDoubleBorder && W > 2 && H > 1) p.Line(W - 2, 1, W - 2, H - 1, inner);
    }
    if ((FBorderSides & sdBottom) && W > 1 && H > 1) {
        p.Line(0, H - 1, W, H - 1, outer);
        if (FDoubleBorder && W > 2 && H > 2) p.Line(1, H - 2, W - 1, H - 2, inner);
    }
}

// ---------------------------------------------------------------------------
// Light

void TZelLightClass::Changed() {
    if (OnChanged) OnChanged(this);
}
void TZelLightClass::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
    Changed();
}
void TZelLightClass::SetColor(TColor value) {
    if (value == FColor) return;
    FColor = value;
    Changed();
}
void TZelLightClass::SetBlurRadius(int32_t value) {
    if (value == FBlurRadius) return;
    FBlurRadius = value;
    Changed();
}
void TZelLightClass::Assign(const TZelLightClass& source) {
    FActive = source.FActive;
    FColor = source.FColor;
    Changed();
}

// ---------------------------------------------------------------------------
// Label

TZelSkinLabel::TZelSkinLabel(TControl* AOwner) : TZelSkinCustomPanel(AOwner) {
    SetAlpha(0);
    SetBorderSides(0);
    SetAutoInvalidate(true);
    SetBounds(Left(), Top(), 60, 17);
    FLight.OnChanged = [this](void*) { Repaint(); };
}

void TZelSkinLabel::SetFont(const TZelFont& value) {
    if (value == FFont) return;
    FFont = value;
    DoAutoSize();
    Repaint();
}
void TZelSkinLabel::SetAlignmentHorizontal(TAlignment value) {
    if (value == FAlignmentHorizontal) return;
    FAlignmentHorizontal = value;
    Repaint();
}
void TZelSkinLabel::SetAlignmentVertical(TVerticalAlignment value) {
    if (value == FAlignmentVertical) return;
    FAlignmentVertical = value;
    Repaint();
}
void TZelSkinLabel::SetEllipsisPosition(TEllipsisPosition value) {
    if (value == FEllipsisPosition) return;
    FEllipsisPosition = value;
    FAutoSize = false;
    Repaint();
}
void TZelSkinLabel::SetAutoSize(bool value) {
    if (value == FAutoSize) return;
    FAutoSize = value;
    DoAutoSize();
}

void TZelSkinLabel::DoAutoSize() {
    // An aligned label takes the size its parent gives it.
    if (!FAutoSize || Align() != alNone) return;
    TRect m = MeasureText(FFont, Caption(), {0, 0, 1 << 20, 1 << 20}, tfSingleLine);
    if (Caption().empty()) m = {0, 0, 0, GetFontMetrics(FFont).Height};
    SetBounds(Left(), Top(), m.Width(), m.Height());
}

TTextFormat TZelSkinLabel::TextFlags() const {
    TTextFormat f = FAlignmentHorizontal == taCenter         ? tfCenter
                    : FAlignmentHorizontal == taRightJustify ? tfRight
                                                             : tfLeft;
    if (FAlignmentVertical == taAlignBottom) f |= tfBottom | tfSingleLine;
    if (FAlignmentVertical == taVerticalCenter) f |= tfVerticalCenter | tfSingleLine;
    if (FWordWap) f = (f & ~tfSingleLine) | tfWordBreak;
    return f | EllipsisFlags(FEllipsisPosition);
}

TTextFormat EllipsisFlags(TEllipsisPosition position) {
    switch (position) {
    case epPathEllipsis:
        return tfPathEllipsis;
    case epEndEllipsis:
        return tfEndEllipsis;
    case epWordEllipsis:
        return tfWordEllipsis;
    default:
        return 0;
    }
}

TRect TZelSkinLabel::TextRect() const {
    RECT cr = ClientRect();
    TRect r{0, 0, cr.right, cr.bottom};
    if (!FWordWap) return r;
    int lh = MeasureText(FFont, Caption(), r, tfSingleLine).Height();
    int top = 0;
    if (FAlignmentVertical == taVerticalCenter) top = (r.Height() - lh) / 2;
    if (FAlignmentVertical == taAlignBottom) top = r.Height() - lh;
    return {0, top, r.Right, top + lh};
}

void TZelSkinLabel::PaintControl(TZelSkinImage& Buffer) {
    TZelSkinCustomPanel::PaintControl(Buffer);
    if (Caption().empty()) return;
    TZelPainter p(Buffer);
    TRect r = TextRect();
    TTextFormat f = TextFlags();
    if (FLight.Active())
        DrawGlowText(p, FFont, r, Caption(), FLight.BlurRadius(), FLight.Color(), f);
    DrawText(p, FFont, Caption(), r, f);
}

void TZelSkinLabel::WndProc(TMessage& m) {
    if (m.Msg == CM_TEXTCHANGED) DoAutoSize();
    TZelSkinCustomPanel::WndProc(m);
}

// ---------------------------------------------------------------------------
// Line

TZelSkinLine::TZelSkinLine(TControl* AOwner) : TZelSkinCustomControl(AOwner) {
    TZelSkinCustomControl::SetColor(16644339);
    SetAutoInvalidate(true);
    SetBounds(Left(), Top(), 255, 3);
}

void TZelSkinLine::SetBounds(int left, int top, int width, int height) {
    if (FAutoSize) {
        if (FKind == lkHorizontal)
            height = 3;
        else
            width = 3;
    }
    TZelSkinCustomControl::SetBounds(left, top, std::max(1, width), std::max(1, height));
}

void TZelSkinLine::SetKind(TZelLineKind value) {
    if (value == FKind) return;
    FKind = value;
    bool horizontalShape = Width() >= Height();
    if ((value == lkVertical) == horizontalShape)
        SetBounds(Left(), Top(), Height(), Width());
    else
        SetBounds(Left(), Top(), Width(), Height());
    Repaint();
}

void TZelSkinLine::SetActiveGradient(bool value) {
    if (value == FActiveGradient) return;
    FActiveGradient = value;
    Repaint();
}
void TZelSkinLine::SetGradientStartColor(TColor value) {
    if (value == FGradientStartColor) return;
    FGradientStartColor = value;
    Repaint();
}
void TZelSkinLine::SetGradientEndColor(TColor value) {
    if (value == FGradientEndColor) return;
    FGradientEndColor = value;
    Repaint();
}
void TZelSkinLine::SetGradientSize(int32_t value) {
    if (value < 0 || value > 100 || value == FGradientSize) return;
    FGradientSize = value;
    Repaint();
}
void TZelSkinLine::SetGradientAlign(TZelGradientAlign value) {
    if (value == FGradientAlign) return;
    FGradientAlign = value;
    Repaint();
}
void TZelSkinLine::SetAutoSize(bool value) {
    if (value == FAutoSize) return;
    FAutoSize = value;
    SetBounds(Left(), Top(), Width(), Height());
}

void TZelSkinLine::PaintControl(TZelSkinImage& Buffer) {
    TZelPainter p(Buffer);
    p.FillRect(Buffer.BoundsRect(), Color32(Color()));
    if (!FActiveGradient) return;
    TColor32 start = Color32(FGradientStartColor), end = Color32(FGradientEndColor);
    int W = Buffer.Width(), H = Buffer.Height();
    if (FKind == lkHorizontal) {
        int g = int(std::trunc(FGradientSize / 100.0 * W));
        int band = std::max(H, 2), half = W / 2;
        switch (FGradientAlign) {
        case gaCenter:
            p.FillGradient({half - g, 0, half, band}, end, start, true);
            p.FillGradient({half - 1, 0, half + g, band}, start, end, true);
            break;
        case gaLeft:
            p.FillGradient({0, 0, g, band}, start, end, true);
            break;
        case gaRight:
            p.FillGradient({W - g, 0, W, band}, end, start, true);
            break;
        }
    } else {
        int g = int(std::trunc(FGradientSize / 100.0 * H));
        int band = std::max(W, 2), half = H / 2;
        switch (FGradientAlign) {
        case gaCenter:
            p.FillGradient({0, half - g, band, half}, end, start, false);
            p.FillGradient({0, half - 1, band, H}, start, end, false);
            break;
        case gaLeft:
            p.FillGradient({0, 0, band, g}, start, end, false);
            break;
        case gaRight:
            p.FillGradient({0, H - g, band, H}, end, start, false);
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Group box

void TGroupBoxCheckBox::SetChecked(bool value) {
    if (value == FChecked) return;
    FChecked = value;
    if (FOwner) FOwner->CheckedChanged();
}
void TGroupBoxCheckBox::SetPictures(const TZelResID& value) {
    FPictures = value;
    if (FOwner) FOwner->Invalidate();
}
void TGroupBoxCheckBox::SetVisible(bool value) {
    FVisible = value;
    if (FOwner) FOwner->Invalidate();
}

TZelSkinGroupBox::TZelSkinGroupBox(TControl* AOwner) : TZelSkinCustomControl(AOwner) {
    FCheckBox.FOwner = this;
    SetText("Caption");
    FCaptionLight.OnChanged = [this](void*) { Invalidate(); };
    SetBounds(Left(), Top(), 185, 105);
    UpdateInsets();
}

void TZelSkinGroupBox::UpdateInsets() {
    SetYOffset(FCaptionHeight);
    int side = FFrameStyle == fsBox ? 1 : 0;
    SetClientInsets({side, FCaptionHeight, side, side});
    Repaint();
}

void TZelSkinGroupBox::SetCaptionHeight(int32_t value) {
    if (value == FCaptionHeight) return;
    FCaptionHeight = std::max(0, value);
    UpdateInsets();
}
void TZelSkinGroupBox::SetLineStartColor(TColor value) {
    FLineStartColor = value;
    Invalidate();
}
void TZelSkinGroupBox::SetLineStopColor(TColor value) {
    FLineStopColor = value;
    Invalidate();
}
void TZelSkinGroupBox::SetFrameStyle(TZelFrameStyle value) {
    if (value == FFrameStyle) return;
    FFrameStyle = value;
    UpdateInsets();
}
void TZelSkinGroupBox::SetLight(bool value) {
    FLight = value;
    Invalidate();
}
void TZelSkinGroupBox::SetFont(const TZelFont& value) {
    FFont = value;
    Invalidate();
}

void TZelSkinGroupBox::CheckedChanged() {
    if (FCheckBox.FVisible)
        for (TControl* child : std::vector<TControl*>(Controls()))
            child->SetEnabled(FCheckBox.FChecked);
    Invalidate();
}

TRect TZelSkinGroupBox::CheckBoxRectFor(int frameWidth, int frameHeight) const {
    int x = FFrameStyle == fsBox ? 23 : 3;
    return TRect::Bounds(x, (FCaptionHeight - frameHeight) / 2, frameWidth, frameHeight);
}

int TZelSkinGroupBox::CaptionLeft() const {
    if (FCheckBox.FVisible) {
        TZelSkinImage* img = SkinResManager()->GetImageByName(FCheckBox.FPictures);
        if (img && !img->Empty()) return CheckBoxRectFor(img->Width() / 4, img->Height()).Right + 3;
    }
    return FFrameStyle == fsBox ? 20 : 0;
}

int TZelSkinGroupBox::CaptionRight() const {
    return CaptionLeft() + (Caption().empty() ? 0 : TextWidth(FFont, Caption()));
}

void TZelSkinGroupBox::PaintNC(HDC dc) {
    int W = Width(), CH = FCaptionHeight;
    bool box = FFrameStyle == fsBox;
    int h = box ? Height() : CH;
    if (W <= 0 || h <= 0) return;
    TZelSkinImage strip(W, h, Color32(Color()));
    if (Transparent()) CopyParentBackground(this, strip, TRect::Bounds(Left(), Top(), W, h));
    TZelPainter p(strip);

    if (FCheckBox.FVisible) {
        TZelSkinImage* img = SkinResManager()->GetImageByName(FCheckBox.FPictures);
        auto frames = SplitSkinImage(img, 4);
        if (frames.size() == 4) {
            int index = 0;
            if (FCheckBox.FPressed || (FCheckBox.FChecked && FCheckBox.FMouseInside))
                index = 3;
            else if (FCheckBox.FChecked)
                index = 2;
            else if (FCheckBox.FMouseInside)
                index = 1;
            const TZelSkinImage& f = *frames[size_t(index)];
            FCheckBox.FRect = CheckBoxRectFor(f.Width(), f.Height());
            p.Draw(FCheckBox.FRect.Left, FCheckBox.FRect.Top, f);
        }
    }
    int tx = CaptionLeft(), right = CaptionRight();
    TRect textRect{tx, 0, W, CH};
    const TTextFormat flags = tfLeft | tfSingleLine | tfVerticalCenter;
    if (!Caption().empty()) {
        if (FCaptionLight.Active())
            DrawGlowText(p, FFont, textRect, Caption(), FCaptionLight.BlurRadius(),
                         FCaptionLight.Color(), flags);
        DrawText(p, FFont, Caption(), textRect, flags);
    }
    int y = (CH - 1) / 2;
    if (!box) {
        p.GradientHorizontal({right + 5, y, W, y + 1}, Color32(FLineStartColor),
                             Color32(FLineStopColor));
        if (FLight)
            for (int w = 1; w <= 7; ++w)
                p.StrokeSmooth(float(right + 5), y + 0.5f, float(W), y + 0.5f, float(w),
                               Color32(255, 255, 255, 18));
    } else {
        TColor32 c = Color32(FLineStartColor);
        p.HorzLine(0, tx - 3, y, c, dmOpaque);
        p.HorzLine(right + 3, W - 1, y, c, dmOpaque);
        p.VertLine(0, y, h - 1, c, dmOpaque);
        p.VertLine(W - 1, y, h - 1, c, dmOpaque);
        p.HorzLine(0, W - 1, h - 1, c, dmOpaque);
    }
    DrawImageToDC(dc, 0, 0, strip, strip.BoundsRect(), dmOpaque);
}

void TZelSkinGroupBox::WndProc(TMessage& m) {
    auto stripPoint = [&] {
        POINT c = PointFromLParam(m.LParam);
        return TPoint{c.x + ClientInsets().left, c.y + ClientInsets().top};
    };
    switch (m.Msg) {
    case WM_MOUSEMOVE: {
        TPoint p = stripPoint();
        bool inside = FCheckBox.FVisible && FCheckBox.FRect.Contains(p.X, p.Y);
        if (inside != FCheckBox.FMouseInside) {
            FCheckBox.FMouseInside = inside;
            Invalidate();
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        TPoint p = stripPoint();
        if (FCheckBox.FVisible && FCheckBox.FRect.Contains(p.X, p.Y)) {
            FCheckBox.FPressed = true;
            Invalidate();
        }
        break;
    }
    case WM_LBUTTONUP: {
        TPoint p = stripPoint();
        if (FCheckBox.FPressed) {
            FCheckBox.FPressed = false;
            if (FCheckBox.FRect.Contains(p.X, p.Y)) FCheckBox.SetChecked(!FCheckBox.FChecked);
            Invalidate();
        }
        break;
    }
    case CM_MOUSELEAVE:
        if (FCheckBox.FMouseInside) {
            FCheckBox.FMouseInside = false;
            Invalidate();
        }
        break;
    default:
        break;
    }
    TZelSkinCustomControl::WndProc(m);
}
