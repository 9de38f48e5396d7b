#pragma once
// Geometry, colours and events shared by the skin toolkit. Rectangles are
// half-open like the platform's: Right and Bottom lie just outside.
#include <algorithm>
#include <cstdint>
#include <functional>

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    static TRect Bounds(int left, int top, int width, int height) {
        return {left, top, left + width, top + height};
    }
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
    // Empty (all zero) when the two do not overlap.
    TRect Intersect(const TRect& o) const {
        TRect r{std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right),
                std::min(Bottom, o.Bottom)};
        return r.IsEmpty() ? TRect{} : r;
    }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// A 24-bit colour with red in the low byte; the top bit set names a system
// colour whose index is the low byte.
using TColor = int32_t;

inline constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
inline constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index & 0xFF));
}
inline constexpr TColor clScrollBar = SystemColor(0);
inline constexpr TColor clBackground = SystemColor(1);
inline constexpr TColor clActiveCaption = SystemColor(2);
inline constexpr TColor clInactiveCaption = SystemColor(3);
inline constexpr TColor clMenu = SystemColor(4);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowFrame = SystemColor(6);
inline constexpr TColor clMenuText = SystemColor(7);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clCaptionText = SystemColor(9);
inline constexpr TColor clActiveBorder = SystemColor(10);
inline constexpr TColor clInactiveBorder = SystemColor(11);
inline constexpr TColor clAppWorkSpace = SystemColor(12);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clGrayText = SystemColor(17);
inline constexpr TColor clBtnText = SystemColor(18);
inline constexpr TColor clInactiveCaptionText = SystemColor(19);
inline constexpr TColor clBtnHighlight = SystemColor(20);
inline constexpr TColor cl3DDkShadow = SystemColor(21);
inline constexpr TColor cl3DLight = SystemColor(22);
inline constexpr TColor clInfoText = SystemColor(23);
inline constexpr TColor clInfoBk = SystemColor(24);
inline constexpr TColor clHotLight = SystemColor(26);
inline constexpr TColor clGradientActiveCaption = SystemColor(27);
inline constexpr TColor clGradientInactiveCaption = SystemColor(28);
inline constexpr TColor clMenuHighlight = SystemColor(29);
inline constexpr TColor clMenuBar = SystemColor(30);

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

// A pixel: A·2²⁴ + R·2¹⁶ + G·2⁸ + B, not premultiplied.
using TColor32 = uint32_t;

inline constexpr TColor32 Color32(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}
inline constexpr uint8_t AlphaOf(TColor32 c) {
    return uint8_t(c >> 24);
}
inline constexpr uint8_t RedOf(TColor32 c) {
    return uint8_t(c >> 16);
}
inline constexpr uint8_t GreenOf(TColor32 c) {
    return uint8_t(c >> 8);
}
inline constexpr uint8_t BlueOf(TColor32 c) {
    return uint8_t(c);
}
inline constexpr TColor32 WithAlpha(TColor32 c, uint8_t a) {
    return (c & 0x00FFFFFFu) | (uint32_t(a) << 24);
}

// The value of a system colour as the usual Windows defaults give it; black
// for indices the table does not hold.
TColor GetSysColor(int index);
// A system colour resolved to its value; other colours unchanged.
TColor ColorToRGB(TColor color);
// A colour as a pixel at alpha `alpha` (system colours resolved first).
TColor32 Color32(TColor color, uint8_t alpha = 255);
// The 24-bit colour of a pixel (alpha dropped).
TColor Color32ToColor(TColor32 c);

// Events are bound callables; the sender comes first.
using TNotifyEvent = std::function<void(void* Sender)>;
