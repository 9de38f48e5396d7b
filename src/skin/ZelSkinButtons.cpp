#include "skin/ZelSkinButtons.h"

#include "gui/Timers.h"

#include <algorithm>
#include <cctype>

using namespace platform;
using namespace gui;

namespace {

constexpr WPARAM kHoldTimer = 1;   // 300 ms before the repeat starts
constexpr WPARAM kRepeatTimer = 2; // 10 ms repeat while held
constexpr uint32_t kHoldDelay = 300;
constexpr uint32_t kRepeatInterval = 10;
// An accelerator within this time of the last click is the key repeating.
constexpr uint64_t kAccelRepeatGuard = 100;

} // namespace

// ---------------------------------------------------------------------------
// TPopupMenu

void TPopupMenu::Popup(int X, int Y) {
    ++FPopupCount;
    FLastPopupPoint = {X, Y};
    if (OnPopup) OnPopup(this, X, Y);
}

// ---------------------------------------------------------------------------
// TAction

TAction::~TAction() {
    for (TZelSkinCustomButton* b : FClients)
        b->FAction = nullptr;
}

void TAction::SetCaption(const std::string& value) {
    if (value == FCaption) return;
    FCaption = value;
    for (TZelSkinCustomButton* b : std::vector(FClients))
        b->ActionChanged();
}

void TAction::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    for (TZelSkinCustomButton* b : std::vector(FClients))
        b->ActionChanged();
}

bool TAction::Execute() {
    if (!FEnabled || !OnExecute) return false;
    OnExecute(this);
    return true;
}

// ---------------------------------------------------------------------------
// TZelSkinCustomButton

TZelSkinCustomButton::TZelSkinCustomButton(TControl* AOwner) : TZelSkinCustomControl(AOwner) {
    SetBounds(Left(), Top(), 75, 25);
    SetTabStop(true);
    SetAutoInvalidate(true);
    FDropdownMenuPictures.SetImage("ZelSkinDropdownMenu");
    FDropdownMenuPictures.SetCount(4);
    auto repaint = [this](void*) { Repaint(); };
    FPictures.SetPicturesChanged(repaint);
    FLayers.SetPicturesChanged(repaint);
    FDropdownMenuPictures.SetPicturesChanged(repaint);
}

TZelSkinCustomButton::~TZelSkinCustomButton() {
    SetAction(nullptr);
}

void TZelSkinCustomButton::SetFont(const TZelFont& value) {
    if (value == FFont) return;
    FFont = value;
    Repaint();
}

void TZelSkinCustomButton::SetHotFont(const TZelFont& value) {
    if (value == FHotFont) return;
    FHotFont = value;
    Repaint();
}

void TZelSkinCustomButton::SetDown(bool value) {
    if (value == FDown) return;
    FDown = value;
    // Index 0 is "no group": such buttons never release one another.
    if (value && FGroupIndex != 0 && Parent())
        for (TControl* c : std::vector<TControl*>(Parent()->Controls()))
            if (auto* b = dynamic_cast<TZelSkinCustomButton*>(c);
                b && b != this && b->FGroupIndex == FGroupIndex)
                b->SetDown(false);
    Repaint();
}

void TZelSkinCustomButton::SetPressedOffset(int32_t value) {
    if (value == FPressedOffset) return;
    FPressedOffset = value;
    Repaint();
}

void TZelSkinCustomButton::SetWordWrap(bool value) {
    if (value == FWordWrap) return;
    FWordWrap = value;
    Repaint();
}

void TZelSkinCustomButton::SetCanFocused(bool value) {
    FCanFocused = value;
    SetTabStop(value);
}

void TZelSkinCustomButton::SetDefault(bool value) {
    FDefault = value;
    TWindow* w = GetParentWindow();
    FocusChanged(w ? w->ActiveControl() : nullptr);
}

void TZelSkinCustomButton::SetAction(TAction* value) {
    if (value == FAction) return;
    if (FAction) std::erase(FAction->FClients, this);
    FAction = value;
    if (FAction) {
        FAction->FClients.push_back(this);
        ActionChanged();
    }
}

void TZelSkinCustomButton::ActionChanged() {
    if (!FAction) return;
    SetCaption(FAction->Caption());
    SetEnabled(FAction->Enabled());
}

void TZelSkinCustomButton::SetCaptionVisible(bool value) {
    if (value == FCaptionVisible) return;
    FCaptionVisible = value;
    Repaint();
}

void TZelSkinCustomButton::SetCaptionOffset(TPoint value) {
    if (value == FCaptionOffset) return;
    FCaptionOffset = value;
    Repaint();
}

void TZelSkinCustomButton::SetImageOffset(TPoint value) {
    if (value == FImageOffset) return;
    FImageOffset = value;
    Repaint();
}

void TZelSkinCustomButton::SetLayersOffset(TPoint value) {
    if (value == FLayersOffset) return;
    FLayersOffset = value;
    Repaint();
}

void TZelSkinCustomButton::SetDropdownMenu(TPopupMenu* value) {
    if (value == FDropdownMenu) return;
    FDropdownMenu = value;
    if (!value) FPressedInDropdownArea = FMouseInDropdownArea = false;
    Repaint();
}

TRect TZelSkinCustomButton::DropdownArea() const {
    if (!FDropdownMenu) return {};
    RECT cr = ClientRect();
    return {cr.right - DropdownAreaWidth, 0, cr.right, cr.bottom};
}

void TZelSkinCustomButton::Click() {
    FLastClickTime = TimerNow();
    if (FCanFocused)
        if (TWindow* w = GetParentWindow()) w->SetModalResult(FModalResult);
    FSkipNextClick = false;
    if (OnClick)
        OnClick(this);
    else if (FAction)
        FAction->Execute();
}

// Mouse ---------------------------------------------------------------------

bool TZelSkinCustomButton::CursorOverSelf(POINT P) const {
    return GetParentWindow() && ControlFromPoint(ClientToScreen(P)) == this;
}

void TZelSkinCustomButton::MouseDown(POINT P) {
    if (FIgnoreMouse) return;
    if (FCanFocused && !Focused() && CanFocus()) SetFocus();
    if (FSkipNextClick) {
        FSkipNextClick = false;
        return;
    }
    const bool inArea = FDropdownMenu && DropdownArea().Contains(P.x, P.y);
    if (FDropdownMenu && (!OnClick || inArea)) {
        FPressedInDropdownArea = true;
        Repaint();
        POINT at{Left() + FDropdownMenuOffset.X, Top() + Height() + FDropdownMenuOffset.Y};
        if (Parent()) at = Parent()->ClientToScreen(at);
        FDropdownMenu->Popup(at.x, at.y);
        FSkipNextClick = true;
        SetDown(false);
        return;
    }
    SetTimer(kHoldTimer, kHoldDelay);
    FMousePressed = true;
    if (!FDown) {
        FMouseInside = true;
        SetDown(true);
    }
    Repaint();
}

void TZelSkinCustomButton::MouseUp(POINT P) {
    if (FIgnoreMouse) return;
    KillTimer(kHoldTimer);
    KillTimer(kRepeatTimer);
    FMousePressed = false;
    FMouseInside = CursorOverSelf(P);
    const bool wasDown = FDown;
    if (FGroupIndex == 0) {
        SetDown(false);
        if (FMouseInside && wasDown) Click();
    } else if (FMouseInside) {
        SetDown(true);
        Click();
    }
    FSkipNextClick = false;
    Repaint();
    if (FDropdownMenu) FPressedInDropdownArea = false;
}

void TZelSkinCustomButton::MouseMove(POINT P) {
    if (FIgnoreMouse || !FDropdownMenu) return;
    const bool in = DropdownArea().Contains(P.x, P.y);
    if (in == FMouseInDropdownArea) return;
    FMouseInDropdownArea = in;
    Repaint();
}

// Keyboard and focus --------------------------------------------------------

void TZelSkinCustomButton::FocusChanged(TControl* Focused) {
    const bool wasActive = FActive;
    if (auto* b = dynamic_cast<TZelSkinCustomButton*>(Focused)) {
        FActive = b == this;
        if (b != this && FDefault && FMouseInside) FMouseInside = false;
    } else {
        FActive = FDefault;
    }
    if (FActive != wasActive) Repaint();
}

bool TZelSkinCustomButton::IsAccel(WPARAM Key) const {
    const std::string& c = Caption();
    for (size_t i = 0; i + 1 < c.size(); ++i) {
        if (c[i] != '&') continue;
        if (c[i + 1] == '&') {
            ++i;
            continue;
        }
        unsigned char ch = static_cast<unsigned char>(c[i + 1]);
        if (ch >= 0x80) return false;
        return WPARAM(std::toupper(ch)) == Key;
    }
    return false;
}

// Messages --------------------------------------------------------------------

void TZelSkinCustomButton::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CM_MOUSEENTER:
        if (!FIgnoreMouse) {
            FMouseInside = true;
            Repaint();
        }
        break;
    case CM_MOUSELEAVE:
        if (!FIgnoreMouse) {
            FMousePressed = FMouseInside = false;
            FPressedInDropdownArea = FMouseInDropdownArea = false;
            Repaint();
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        MouseDown(PointFromLParam(m.LParam));
        break;
    case WM_LBUTTONUP:
        MouseUp(PointFromLParam(m.LParam));
        break;
    case WM_MOUSEMOVE:
        MouseMove(PointFromLParam(m.LParam));
        break;
    case WM_TIMER:
        if (m.WParam == kHoldTimer) {
            KillTimer(kHoldTimer);
            SetTimer(kRepeatTimer, kRepeatInterval);
        } else if (m.WParam == kRepeatTimer) {
            if (FCycleDownClick && OnCycleDownClick) OnCycleDownClick(this);
        } else {
            TZelSkinCustomControl::WndProc(m);
        }
        return;
    case WM_KEYDOWN:
        if (!FCanFocused) break;
        if (m.WParam == VK_SPACE) {
            FSpacePressed = true;
            SetDown(true);
            m.Result = 1;
            return;
        }
        if (m.WParam == VK_RETURN) {
            Click();
            m.Result = 1;
            return;
        }
        break;
    case WM_KEYUP:
        // Only a Space that went down here clicks: one pressed on another
        // control before the focus moved is not ours.
        if (FCanFocused && m.WParam == VK_SPACE && FSpacePressed) {
            FSpacePressed = false;
            SetDown(false);
            Click();
            m.Result = 1;
            return;
        }
        break;
    case WM_KILLFOCUS:
        if (FSpacePressed) {
            FSpacePressed = false;
            SetDown(false);
        }
        break;
    case CM_DIALOGKEY:
        if (!FCanFocused) break;
        if (m.WParam == VK_RETURN && FActive && IsEnabledInTree() && Showing()) {
            Click();
            m.Result = 1;
        } else if (m.WParam == VK_ESCAPE && FCancel && !(m.LParam & MK_SHIFT) && CanFocus()) {
            Click();
            m.Result = 1;
        }
        return;
    case CM_DIALOGCHAR:
        if (FCanFocused && IsAccel(m.WParam) && CanFocus()) {
            const bool repeat =
                FLastClickTime != 0 && TimerNow() - FLastClickTime <= kAccelRepeatGuard;
            if (!repeat || FCycleDownClick) Click();
            m.Result = 1;
        }
        return;
    case CM_FOCUSCHANGED:
        FocusChanged(reinterpret_cast<TControl*>(m.LParam));
        return;
    case CM_ENABLEDCHANGED:
        // A disabled control gets no mouse messages, so nothing would end
        // a press or the hot look otherwise.
        if (!Enabled()) {
            KillTimer(kHoldTimer);
            KillTimer(kRepeatTimer);
            FMouseInside = FMousePressed = false;
            FPressedInDropdownArea = FMouseInDropdownArea = false;
        }
        break;
    default:
        break;
    }
    TZelSkinCustomControl::WndProc(m);
}

// Face ------------------------------------------------------------------------

void TZelSkinCustomButton::DrawFacePictures(TZelSkinImage& Work) {
    auto frameOf = [this](const TPngPictures& pics) {
        if (Hot()) return pics.GetHotImage();
        if (!Enabled()) return pics.GetDisableImage();
        return Pressed() ? pics.GetPressedImage() : pics.GetNormalImage();
    };
    TZelPainter p(Work);
    if (FPictures.Active()) {
        const int dx = Pressed() ? FPressedOffset : 0;
        if (auto frame = frameOf(FPictures)) p.Draw(FImageOffset.X + dx, FImageOffset.Y, *frame);
    }
    if (FLayers.Active())
        if (auto frame = frameOf(FLayers)) p.Draw(FLayersOffset.X, FLayersOffset.Y, *frame);
}

void TZelSkinCustomButton::DrawDropdownArrow(TZelSkinImage& Work) {
    if (!FDropdownMenu) return;
    TZelSkinImagePtr frame;
    if (FPressedInDropdownArea)
        frame = FDropdownMenuPictures.GetPressedImage();
    else if (FMouseInDropdownArea)
        frame = FDropdownMenuPictures.GetHotImage();
    else
        frame = FDropdownMenuPictures.GetNormalImage();
    if (!frame) return;
    TRect src = frame->BoundsRect();
    const int maxHeight = Work.Height() - 4;
    if (src.Height() > maxHeight && maxHeight > 0) {
        src.Top = (src.Height() - maxHeight) / 2;
        src.Bottom = src.Top + maxHeight;
    }
    TZelPainter p(Work);
    p.Draw(DropdownArea().Left, (Work.Height() - src.Height()) / 2, *frame, src);
}

void TZelSkinCustomButton::DrawCaptionText(TZelSkinImage& Work, TRect R, const TZelFont& Font) {
    if (Caption().empty() || R.IsEmpty()) return;
    TZelPainter p(Work);
    if (!FWordWrap) {
        DrawText(p, Font, Caption(), R, tfCenter | tfVerticalCenter | tfSingleLine);
        return;
    }
    const TTextFormat flags = tfCenter | tfWordBreak;
    const int h = MeasureText(Font, Caption(), R, flags).Height();
    R.Top += (R.Height() - h) / 2;
    DrawText(p, Font, Caption(), R, flags);
}

void TZelSkinCustomButton::PaintControl(TZelSkinImage& Buffer) {
    TZelSkinImage work = Buffer;
    DrawFacePictures(work);
    DrawDropdownArrow(work);
    if (FCaptionVisible) {
        TRect r = work.BoundsRect().Offset(FCaptionOffset.X, FCaptionOffset.Y);
        if (Pressed()) {
            r.Left += FPressedOffset + 1;
            r.Bottom += FPressedOffset;
        }
        DrawCaptionText(work, r, Hot() ? FHotFont : FFont);
    }
    TZelPainter(Buffer).Copy(0, 0, work, work.BoundsRect());
}

// ---------------------------------------------------------------------------
// TZelSkinColorButton

TZelSkinColorButton::TZelSkinColorButton(TControl* AOwner) : TZelSkinCustomButton(AOwner) {
    SetBounds(Left(), Top(), 80, 30);
    TZelFont f = Font();
    f.SetColor(clWhite);
    SetFont(f);
    TZelFont hot = HotFont();
    hot.SetColor(f.Color());
    SetHotFont(hot);
    SetCaptionVisible(true);
}

void TZelSkinColorButton::SetNormalColor(TColor value) {
    if (value == FNormalColor) return;
    FNormalColor = value;
    Repaint();
}
void TZelSkinColorButton::SetHotColor(TColor value) {
    if (value == FHotColor) return;
    FHotColor = value;
    Repaint();
}
void TZelSkinColorButton::SetAlpha(uint8_t value) {
    if (value == FAlpha) return;
    FAlpha = value;
    Repaint();
}
void TZelSkinColorButton::SetImage(const TZelResID& value) {
    if (value == FImage) return;
    FImage = value;
    Repaint();
}
void TZelSkinColorButton::SetHotImage(const TZelResID& value) {
    if (value == FHotImage) return;
    FHotImage = value;
    Repaint();
}
void TZelSkinColorButton::SetBorderColor(TColor value) {
    if (value == FBorderColor) return;
    FBorderColor = value;
    Repaint();
}
void TZelSkinColorButton::SetBorderSides(TZelBorderSides value) {
    if (value == FBorderSides) return;
    FBorderSides = value;
    Repaint();
}
void TZelSkinColorButton::SetRoundFrame(bool value) {
    if (value == FRoundFrame) return;
    FRoundFrame = value;
    Repaint();
}
void TZelSkinColorButton::SetRoundSize(int32_t value) {
    if (value == FRoundSize) return;
    FRoundSize = value;
    Repaint();
}
void TZelSkinColorButton::SetSmoothRound(bool value) {
    if (value == FSmoothRound) return;
    FSmoothRound = value;
    Repaint();
}

TColor TZelSkinColorButton::FaceColor() const {
    if (!Enabled()) return DisabledColor;
    return Hot() || Pressed() ? FHotColor : FNormalColor;
}

void TZelSkinColorButton::PaintControl(TZelSkinImage& Buffer) {
    // The pictures only: the caption and the arrow come once, on the face.
    if (FSmoothRound) DrawFacePictures(Buffer);
    TZelSkinImage work = Buffer;
    TZelPainter p(work);
    const int W = work.Width(), H = work.Height();
    const TColor face = FaceColor();
    if (FRoundFrame && FSmoothRound) {
        const float r = FRoundSize / 2.0f;
        p.FillRoundRectSmooth({1, 1, W - 1, H - 1}, r, r, Color32(face, FAlpha));
    } else {
        p.FillRect(work.BoundsRect(), face, FAlpha);
        if (!FRoundFrame) {
            const TColor32 c = Color32(FBorderColor);
            if (FBorderSides & sdLeft) p.VertLine(0, 0, H - 1, c, dmOpaque);
            if (FBorderSides & sdTop) p.HorzLine(0, W - 1, 0, c, dmOpaque);
            if (FBorderSides & sdRight) p.VertLine(W - 1, 0, H - 1, c, dmOpaque);
            if (FBorderSides & sdBottom) p.HorzLine(0, W - 1, H - 1, c, dmOpaque);
        }
    }
    const bool lit = Hot() || Pressed();
    const int d = Pressed() ? PressedOffset() : 0;
    const TZelResID& name = lit && !FHotImage.empty() ? FHotImage : FImage;
    if (!name.empty())
        if (TZelSkinImage* img = SkinResManager()->GetImageByName(name))
            p.Draw(ImageOffset().X + d, ImageOffset().Y + d, *img);
    DrawDropdownArrow(work);
    if (CaptionVisible()) {
        TZelFont font = lit ? HotFont() : Font();
        if (!Enabled()) font.SetColor(DisabledTextColor);
        TRect r = work.BoundsRect().Offset(CaptionOffset().X + d, CaptionOffset().Y + d);
        r.Right -= DropdownArea().Width();
        DrawCaptionText(work, r, font);
    }
    if (FRoundFrame && !FSmoothRound) {
        // The window clipped to the rounded rectangle: outside it, what lies
        // behind the button shows.
        const TRegion rgn = CreateRoundRectRgn(0, 0, W + 1, H + 1, FRoundSize, FRoundSize);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (!rgn.Contains(x, y)) work.SetPixel(x, y, Buffer.Pixel(x, y));
    }
    TZelPainter(Buffer).Copy(0, 0, work, work.BoundsRect());
}
