// The font engine of the Windows build: GDI fonts by the names the windows
// use ("宋体", "Tahoma", ...). Each character is drawn white on black into a
// 32-bit DIB section; one of its channels is the coverage the shared layout
// blends in the text colour.
#include "skin/text/FontEngine.h"

#include "platform/Text.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace {

using skintext::TGlyph;

std::wstring Wide(std::string_view utf8) {
    const std::u16string u = platform::Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string Narrow(const wchar_t* s) {
    return platform::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(s)));
}

std::wstring Utf16Of(char32_t ch) {
    if (ch < 0x10000) return std::wstring(1, wchar_t(ch));
    ch -= 0x10000;
    return {wchar_t(0xD800 + (ch >> 10)), wchar_t(0xDC00 + (ch & 0x3FF))};
}

// Families asked for characters the requested face lacks, in order. GDI's
// own font linking would take SimSun for a Tahoma text on a Chinese system;
// asking ourselves gives that on every system and keeps widths and drawing
// on the same face.
const wchar_t* const kFallbackFamilies[] = {L"SimSun", L"Microsoft YaHei"};

// One memory DC with a DIB section that grows to the largest glyph box.
class Canvas {
public:
    Canvas() : FDC(CreateCompatibleDC(nullptr)) {
        SetBkMode(FDC, TRANSPARENT);
        SetTextColor(FDC, RGB(255, 255, 255));
        SetTextAlign(FDC, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
    }

    HDC DC() const { return FDC; }

    // A black area of at least w × h; false when GDI has no memory for it.
    bool Clear(int w, int h) {
        if (w > FWidth || h > FHeight) {
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof info.bmiHeader;
            info.bmiHeader.biWidth = std::max(w, FWidth);
            info.bmiHeader.biHeight = -std::max(h, FHeight); // top-down
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            HBITMAP dib = CreateDIBSection(FDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (!dib) return false;
            SelectObject(FDC, dib);
            if (FDib) DeleteObject(FDib);
            FDib = dib;
            FBits = static_cast<uint32_t*>(bits);
            FWidth = int(info.bmiHeader.biWidth);
            FHeight = -int(info.bmiHeader.biHeight);
        }
        GdiFlush();
        std::memset(FBits, 0, size_t(FWidth) * size_t(FHeight) * 4);
        return true;
    }
    // A pixel as 0x00RRGGBB, after GDI has finished drawing.
    uint32_t Pixel(int x, int y) const { return FBits[size_t(y) * size_t(FWidth) + size_t(x)]; }

private:
    HDC FDC;
    HBITMAP FDib = nullptr;
    uint32_t* FBits = nullptr;
    int FWidth = 0;
    int FHeight = 0;
};

int gRendered = 0;

Canvas& TheCanvas() {
    static Canvas* canvas = new Canvas(); // lives as long as the cached glyphs
    return *canvas;
}

// A selected font for the length of a scope.
class Selected {
public:
    Selected(HDC dc, HFONT font) : FDC(dc), FOld(SelectObject(dc, font)) {}
    ~Selected() { SelectObject(FDC, FOld); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};

uint16_t BigEndian16(const unsigned char* p) {
    return uint16_t(p[0] << 8 | p[1]);
}

class GdiFont : public skintext::TEngineFont {
public:
    explicit GdiFont(const skintext::TFontRequest& font)
        : FPixels(font.Pixels), FBold(font.Bold), FItalic(font.Italic),
          FQuality(QualityOf(font.Quality)) {
        FFont = Create(Wide(font.Name));
        Selected s(TheCanvas().DC(), FFont);
        TEXTMETRICW tm{};
        GetTextMetricsW(TheCanvas().DC(), &tm);
        FMetrics.Ascent = int(tm.tmAscent);
        FMetrics.Descent = int(tm.tmDescent);
        FMetrics.Height = FMetrics.Ascent + FMetrics.Descent;
        FMetrics.AveCharWidth = int(tm.tmAveCharWidth);
    }

    skintext::TMetrics Metrics() override { return FMetrics; }

    const TGlyph& Glyph(char32_t ch) override {
        auto it = FGlyphs.find(ch);
        if (it != FGlyphs.end()) return it->second;
        TGlyph& g = FGlyphs[ch];
        Render(ch, FaceFor(ch), g);
        ++gRendered;
        return g;
    }

    std::pair<int, int> Underline() override {
        HDC dc = TheCanvas().DC();
        Selected s(dc, FFont);
        const UINT size = GetOutlineTextMetricsW(dc, 0, nullptr);
        if (size == 0) return {1, 1};
        std::vector<unsigned char> buf(size);
        auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(buf.data());
        if (!GetOutlineTextMetricsW(dc, size, otm)) return {1, 1};
        return {std::max(1, -int(otm->otmsUnderscorePosition)),
                std::max(1, int(otm->otmsUnderscoreSize))};
    }

    skintext::TFace Face() override {
        HDC dc = TheCanvas().DC();
        Selected s(dc, FFont);
        skintext::TFace out;
        wchar_t name[LF_FACESIZE] = {};
        if (GetTextFaceW(dc, LF_FACESIZE, name) > 0) out.Family = Narrow(name);
        // The face's own weight and slant, from its OS/2 table: what GDI
        // adds beyond them it simulates.
        const DWORD os2 = 0x322F534F; // "OS/2" as GDI reads table tags
        unsigned char table[64] = {};
        if (GetFontData(dc, os2, 0, table, sizeof table) == sizeof table) {
            const uint16_t weight = BigEndian16(table + 4);
            const uint16_t selection = BigEndian16(table + 62);
            const bool bold = weight >= 600 || (selection & 0x20);
            const bool italic = selection & (0x01 | 0x200);
            out.SyntheticBold = FBold && !bold;
            out.SyntheticItalic = FItalic && !italic;
        }
        return out;
    }

private:
    int FPixels;
    bool FBold, FItalic;
    DWORD FQuality;
    HFONT FFont = nullptr;
    std::vector<HFONT> FFallbacks; // made when a character first needs them
    skintext::TMetrics FMetrics;
    std::unordered_map<char32_t, TGlyph> FGlyphs;

    static DWORD QualityOf(skintext::TQuality q) {
        switch (q) {
        case skintext::TQuality::Antialiased:
            return ANTIALIASED_QUALITY;
        case skintext::TQuality::NonAntialiased:
            return NONANTIALIASED_QUALITY;
        default:
            return DEFAULT_QUALITY;
        }
    }

    HFONT Create(const std::wstring& family) const {
        // A negative height asks for the character (em) height.
        return CreateFontW(-FPixels, 0, 0, 0, FBold ? FW_BOLD : FW_NORMAL, FItalic, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, FQuality,
                           DEFAULT_PITCH | FF_DONTCARE, family.substr(0, LF_FACESIZE - 1).c_str());
    }

    static bool HasGlyph(HFONT font, wchar_t ch) {
        HDC dc = TheCanvas().DC();
        Selected s(dc, font);
        WORD index = 0xFFFF;
        return GetGlyphIndicesW(dc, &ch, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
               index != 0xFFFF;
    }

    // The requested face, or the first fallback that has the character.
    // Beyond the basic plane GDI is left to its own devices.
    HFONT FaceFor(char32_t ch) {
        if (ch >= 0x10000 || HasGlyph(FFont, wchar_t(ch))) return FFont;
        if (FFallbacks.empty())
            for (const wchar_t* family : kFallbackFamilies)
                FFallbacks.push_back(Create(family));
        for (HFONT f : FFallbacks)
            if (f && HasGlyph(f, wchar_t(ch))) return f;
        return FFont;
    }

    void Render(char32_t ch, HFONT font, TGlyph& g) {
        Canvas& canvas = TheCanvas();
        HDC dc = canvas.DC();
        Selected s(dc, font);
        const std::wstring text = Utf16Of(ch);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        ABC abc{};
        SIZE extent{};
        int inkLeft = 0, inkRight = 0;
        if (ch < 0x10000 && GetCharABCWidthsW(dc, UINT(ch), UINT(ch), &abc)) {
            g.Advance = abc.abcA + int(abc.abcB) + abc.abcC;
            inkLeft = std::min(0, abc.abcA);
            inkRight = std::max(g.Advance, abc.abcA + int(abc.abcB));
        } else if (GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent)) {
            g.Advance = int(extent.cx);
            inkRight = g.Advance;
        }
        // Room around the cell for slanted and overhanging strokes.
        const int pad = FPixels / 2 + 2;
        const int originX = pad - inkLeft;
        const int baseline = pad + int(tm.tmAscent);
        const int w = originX + inkRight + pad;
        const int h = baseline + int(tm.tmDescent) + pad;
        if (!canvas.Clear(w, h)) return;
        ExtTextOutW(dc, originX, baseline, 0, nullptr, text.c_str(), UINT(text.size()), nullptr);
        GdiFlush();
        // White on black gives equal channels in grey-scale; with ClearType
        // the green one is the middle of the three stripes.
        int x0 = w, y0 = h, x1 = 0, y1 = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((canvas.Pixel(x, y) >> 8) & 0xFF) {
                    x0 = std::min(x0, x);
                    y0 = std::min(y0, y);
                    x1 = std::max(x1, x + 1);
                    y1 = std::max(y1, y + 1);
                }
        if (x1 <= x0) return;
        g.Left = x0 - originX;
        g.Top = baseline - y0;
        g.Width = x1 - x0;
        g.Height = y1 - y0;
        g.Coverage.resize(size_t(g.Width) * size_t(g.Height));
        for (int y = 0; y < g.Height; ++y)
            for (int x = 0; x < g.Width; ++x)
                g.Coverage[size_t(y) * size_t(g.Width) + size_t(x)] =
                    uint8_t(canvas.Pixel(x0 + x, y0 + y) >> 8);
    }
};

} // namespace

namespace skintext {

TEngineFont& FindFont(const TFontRequest& font) {
    using Key = std::tuple<std::string, bool, bool, int, TQuality>;
    static auto* fonts = new std::map<Key, std::unique_ptr<GdiFont>>(); // kept for the run
    Key key{font.Name, font.Bold, font.Italic, font.Pixels, font.Quality};
    auto it = fonts->find(key);
    if (it == fonts->end()) it = fonts->emplace(key, std::make_unique<GdiFont>(font)).first;
    return *it->second;
}

int RenderedGlyphs() {
    return gRendered;
}

} // namespace skintext
