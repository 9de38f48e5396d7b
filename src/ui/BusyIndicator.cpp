#include "ui/BusyIndicator.h"

#include "skin/ZelSkinDC.h"
#include "skin/ZelSkinImage.h"

#include <cmath>

using namespace platform;
using namespace gui;

namespace {
constexpr WPARAM kFrameTimer = 1;
}

TBusyIndicator::TBusyIndicator(TControl* parent) : TControl(parent) {}

void TBusyIndicator::SetAnimate(bool value) {
    if (value == FAnimate) return;
    FAnimate = value;
    if (value)
        SetTimer(kFrameTimer, kFrameMs);
    else
        KillTimer(kFrameTimer);
}

void TBusyIndicator::WndProc(TMessage& m) {
    if (m.Msg == WM_TIMER && m.WParam == kFrameTimer) {
        FFrame = (FFrame + 1) % (kDots * 4);
        Invalidate();
        return;
    }
    if (m.Msg == WM_ERASEBKGND) {
        m.Result = 1;
        return;
    }
    if (m.Msg != WM_PAINT) {
        TControl::WndProc(m);
        return;
    }
    int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    TZelSkinImage image;
    image.SetSize(w, h, 0);
    image.SetDrawMode(dmBlend);
    TZelPainter painter(image);
    float cx = w / 2.0f, cy = h / 2.0f;
    float radius = std::min(w, h) / 2.0f - 4.0f;
    float dot = std::max(1.5f, std::min(w, h) / 14.0f);
    // The head moves a quarter step per frame; the tail fades behind it.
    float head = FFrame / 4.0f;
    for (int i = 0; i < kDots; ++i) {
        float behind = std::fmod(head - i + kDots, static_cast<float>(kDots));
        uint8_t alpha = static_cast<uint8_t>(255 - behind * (200.0f / kDots));
        float angle = static_cast<float>(i) / kDots * 2.0f * 3.14159265f - 1.5707963f;
        float x = cx + radius * std::cos(angle), y = cy + radius * std::sin(angle);
        painter.StrokeSmooth(x, y, x, y, dot * 2, Color32(255, 255, 255, alpha));
    }
    DrawImageToDC(DCFromWParam(m.WParam), 0, 0, image);
}
