#pragma once
// Fonts and text: families resolved and glyphs rendered by the system's font
// engine (FreeType with fontconfig, or GDI) and cached, laid out with the
// platform's DrawText rules.
#include "skin/ZelSkinImage.h"

#include <string>
#include <string_view>

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

// fqDefault: grey-scale anti-aliasing, or the face's own bitmaps where it has
// them for the size.
enum TFontQuality { fqDefault, fqAntialiased, fqNonAntialiased };

class TZelFont {
public:
    TZelFont() = default;
    TZelFont(const std::string& name, int height, TColor color = clWindowText,
             TFontStyles style = 0)
        : FName(name), FHeight(height), FStyle(style), FColor(color) {}

    // A family name; Windows names ("宋体", "Tahoma", ...) are mapped to what
    // the machine has where the system does not know them.
    const std::string& Name() const { return FName; }
    void SetName(const std::string& value) { FName = value; }
    // Character (em) height in pixels.
    int Height() const { return FHeight; }
    void SetHeight(int value) { FHeight = value; }
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value) { FStyle = value; }
    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    TFontQuality Quality() const { return FQuality; }
    void SetQuality(TFontQuality value) { FQuality = value; }

    friend bool operator==(const TZelFont&, const TZelFont&) = default;

private:
    std::string FName = "宋体";
    int FHeight = 12;
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
    TFontQuality FQuality = fqDefault;
};

// Text layout flags, with the values of the platform's DrawText flags.
using TTextFormat = uint32_t;
inline constexpr TTextFormat tfLeft = 0x0;
inline constexpr TTextFormat tfTop = 0x0;
inline constexpr TTextFormat tfCenter = 0x1;
inline constexpr TTextFormat tfRight = 0x2;
inline constexpr TTextFormat tfVerticalCenter = 0x4; // single line only
inline constexpr TTextFormat tfBottom = 0x8;         // single line only
inline constexpr TTextFormat tfWordBreak = 0x10;
inline constexpr TTextFormat tfSingleLine = 0x20;
inline constexpr TTextFormat tfExpandTabs = 0x40;
inline constexpr TTextFormat tfNoClip = 0x100;
inline constexpr TTextFormat tfCalcRect = 0x400;
inline constexpr TTextFormat tfNoPrefix = 0x800;
inline constexpr TTextFormat tfPathEllipsis = 0x4000;
inline constexpr TTextFormat tfEndEllipsis = 0x8000;
inline constexpr TTextFormat tfWordEllipsis = 0x40000;
inline constexpr TTextFormat tfHidePrefix = 0x100000;

struct TZelFontMetrics {
    int Ascent = 0;  // baseline below the line's top
    int Descent = 0; // below the baseline
    int Height = 0;  // one line: Ascent + Descent
    int AveCharWidth = 0;
};

// What a font resolved to on this machine.
struct TZelFontFace {
    std::string File; // empty where the system does not tell (GDI)
    int Index = 0;    // face in a collection file
    std::string Family;
    bool SyntheticBold = false;
    bool SyntheticItalic = false;
};

TZelFontMetrics GetFontMetrics(const TZelFont& font);
// How many glyph images have been rendered so far; repainting the same text
// takes them from the cache.
int RenderedGlyphCount();
TZelFontFace ResolveFontFace(const TZelFont& font);

// One line as drawn, without prefix processing: width = sum of advances,
// height = line height.
TSize TextExtent(const TZelFont& font, std::string_view text);
int TextWidth(const TZelFont& font, std::string_view text);

// Lays out and draws `text` in `rect` (local coordinates of the painter) by
// the DrawText rules: alignment, single line or lines broken at line breaks
// (and between words with tfWordBreak), ellipsis per line wider than the
// rectangle, '&' prefixes unless tfNoPrefix, clipped to the rectangle unless
// tfNoClip. With tfCalcRect nothing is drawn (painter may be null) and rect
// receives the bounds of the laid-out text from its top-left corner. Returns
// the height of the text.
int DrawText(TZelPainter* painter, const TZelFont& font, std::string_view text, TRect& rect,
             TTextFormat format);
inline void DrawText(TZelPainter& painter, const TZelFont& font, std::string_view text,
                     const TRect& rect, TTextFormat format) {
    TRect r = rect;
    DrawText(&painter, font, text, r, format & ~tfCalcRect);
}
// The bounds DrawText would give with tfCalcRect.
TRect MeasureText(const TZelFont& font, std::string_view text, const TRect& rect,
                  TTextFormat format);

// The halo behind a text: the canvas under the rectangle is pulled towards
// `color` where a blurred mask of the text (drawn with the same font and
// flags) is dark, 2 × blurRadius times. Nothing for a text that is blank.
void DrawGlowText(TZelPainter& painter, const TZelFont& font, const TRect& rect,
                  std::string_view text, int blurRadius, TColor color, TTextFormat format);
