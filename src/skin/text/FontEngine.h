#pragma once
// What the text layout asks of the system's font engine: a font request
// resolved to a face, its metrics, and each character's advance and
// coverage. The build picks one engine per system (FreeType with fontconfig,
// or GDI); the DrawText rules above it are shared. Plain types only: the GDI
// engine includes <windows.h>, whose names collide with the toolkit's.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace skintext {

enum class TQuality { Default, Antialiased, NonAntialiased };

struct TFontRequest {
    std::string Name;
    int Pixels = 12; // em height, 1…1000
    bool Bold = false;
    bool Italic = false;
    TQuality Quality = TQuality::Default;
};

struct TMetrics {
    int Ascent = 0;
    int Descent = 0;
    int Height = 0; // Ascent + Descent
    int AveCharWidth = 0;
};

struct TFace {
    std::string File; // empty where the engine does not know it
    int Index = 0;
    std::string Family;
    bool SyntheticBold = false;
    bool SyntheticItalic = false;
};

// A character's image: `Width` × `Height` coverage values (0…255), placed
// `Left` pixels right of the pen and `Top` rows above the baseline.
struct TGlyph {
    int Width = 0;
    int Height = 0;
    int Left = 0;
    int Top = 0;
    int Advance = 0;
    std::vector<uint8_t> Coverage;
};

// One font request as this machine draws it.
class TEngineFont {
public:
    virtual ~TEngineFont() = default;
    virtual TMetrics Metrics() = 0;
    // For characters from U+0020 on; kept for the whole run, so the reference
    // stays valid.
    virtual const TGlyph& Glyph(char32_t ch) = 0;
    // Underline offset below the baseline and thickness, in pixels.
    virtual std::pair<int, int> Underline() = 0;
    virtual TFace Face() = 0;
};

// The engine's font for a request, made on first use and kept. Callers hold
// the text lock: the engines are not thread-safe.
TEngineFont& FindFont(const TFontRequest& request);
// Glyph images rendered so far (cache misses).
int RenderedGlyphs();

} // namespace skintext
