// The font engine of the Linux build: families resolved through fontconfig,
// glyphs rendered by FreeType.
#include "skin/text/FontEngine.h"

#include "platform/Text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Family names of the Windows world and what to ask fontconfig for instead.

bool IsChineseFamily(const std::string& name) {
    static const char* const names[] = {
        "宋体",  "新宋体",   "黑体",     "微软雅黑", "楷体",     "仿宋",   "幼圆",
        "隶书",  "细明体",   "新细明体", "simsun",   "nsimsun",  "simhei", "microsoft yahei",
        "kaiti", "fangsong", "mingliu",  "pmingliu", "dengxian", "等线"};
    const std::string lower = platform::AsciiLowerCase(name);
    for (const char* n : names)
        if (lower == n) return true;
    return false;
}

// Families tried after the requested one, in order.
std::vector<std::string> SubstituteFamilies(const std::string& name) {
    if (IsChineseFamily(name))
        // The "Sharp" face carries hand-tuned bitmaps at 12 to 16 pixels, the
        // closest match to the crisp small CJK text of the Windows fonts.
        return {"SimSun",           "WenQuanYi Zen Hei Sharp", "WenQuanYi Zen Hei",
                "Noto Sans CJK SC", "Noto Serif CJK SC",       "AR PL UMing CN",
                "sans-serif"};
    return {"sans-serif"};
}

// ---------------------------------------------------------------------------

using CachedGlyph = skintext::TGlyph;

struct Face {
    FT_Face face = nullptr;
    std::string file;
    int index = 0;
    int currentPixels = 0;
    int id = 0;
};

struct GlyphKey {
    int faceId;
    uint32_t glyph;
    int pixels;
    int flags; // 1 bold, 2 italic, 4 mono
    bool operator==(const GlyphKey&) const = default;
};
struct GlyphKeyHash {
    size_t operator()(const GlyphKey& k) const {
        return (size_t(k.faceId) * 1000003u) ^ (size_t(k.glyph) * 31u) ^ (size_t(k.pixels) << 20) ^
               size_t(k.flags);
    }
};

struct GlyphRef {
    Face* face = nullptr;
    uint32_t glyph = 0;
};

// A font request resolved: its primary face and where missing characters go.
struct Resolved {
    Face* primary = nullptr;
    bool bold = false, italic = false; // synthetic
    std::string family;
    std::vector<std::string> requestFamilies;
    bool chinese = false;
    bool fallbacksLoaded = false;
    std::vector<std::pair<std::string, int>> fallbackFiles; // sorted by fontconfig
    std::vector<FcCharSet*> fallbackSets;
    std::unordered_map<char32_t, GlyphRef> chars;
    std::map<std::pair<int, int>, skintext::TMetrics> metrics; // by pixels, mono
};

class Engine {
public:
    int renderCount = 0;

    Engine() {
        FT_Init_FreeType(&FLibrary);
        FcInit();
    }

    Resolved& Resolve(const skintext::TFontRequest& font) {
        const bool bold = font.Bold, italic = font.Italic;
        auto key = std::make_tuple(font.Name, bold, italic);
        auto it = FResolved.find(key);
        if (it != FResolved.end()) return *it->second;
        auto r = std::make_unique<Resolved>();
        r->chinese = IsChineseFamily(font.Name);
        r->requestFamilies.push_back(font.Name);
        for (auto& f : SubstituteFamilies(font.Name))
            r->requestFamilies.push_back(f);

        FcPattern* pat = MakePattern(*r, bold, italic);
        FcResult result;
        FcPattern* match = FcFontMatch(nullptr, pat, &result);
        if (match) {
            FcChar8* file = nullptr;
            int index = 0;
            FcChar8* family = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
                FcPatternGetInteger(match, FC_INDEX, 0, &index);
                r->primary = OpenFace(reinterpret_cast<const char*>(file), index);
            }
            if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch)
                r->family = reinterpret_cast<const char*>(family);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pat);
        if (r->primary) {
            const long flags = r->primary->face->style_flags;
            r->bold = bold && !(flags & FT_STYLE_FLAG_BOLD);
            r->italic = italic && !(flags & FT_STYLE_FLAG_ITALIC);
        }
        Resolved& ref = *r;
        FResolved.emplace(key, std::move(r));
        return ref;
    }

    bool SetPixels(Face* f, int pixels) {
        if (f->currentPixels == pixels) return true;
        if (FT_Set_Pixel_Sizes(f->face, 0, FT_UInt(pixels)) != 0) {
            // Bitmap-only faces: the nearest strike.
            if (f->face->num_fixed_sizes <= 0) return false;
            int best = 0;
            for (int i = 1; i < f->face->num_fixed_sizes; ++i)
                if (std::abs(f->face->available_sizes[i].height - pixels) <
                    std::abs(f->face->available_sizes[best].height - pixels))
                    best = i;
            if (FT_Select_Size(f->face, best) != 0) return false;
        }
        f->currentPixels = pixels;
        return true;
    }

    GlyphRef Lookup(Resolved& r, char32_t ch) {
        auto it = r.chars.find(ch);
        if (it != r.chars.end()) return it->second;
        GlyphRef ref;
        if (r.primary) {
            ref = {r.primary, FT_Get_Char_Index(r.primary->face, FT_ULong(ch))};
            if (ref.glyph == 0 && ch >= 0x20) {
                LoadFallbacks(r);
                for (size_t i = 0; i < r.fallbackFiles.size(); ++i) {
                    if (!FcCharSetHasChar(r.fallbackSets[i], FcChar32(ch))) continue;
                    Face* f = OpenFace(r.fallbackFiles[i].first, r.fallbackFiles[i].second);
                    if (!f) continue;
                    uint32_t g = FT_Get_Char_Index(f->face, FT_ULong(ch));
                    if (g) {
                        ref = {f, g};
                        break;
                    }
                }
            }
        }
        r.chars.emplace(ch, ref);
        return ref;
    }

    const CachedGlyph* Glyph(const Resolved& r, GlyphRef ref, int pixels, bool mono) {
        if (!ref.face) return &FEmpty;
        const int flags = (r.bold ? 1 : 0) | (r.italic ? 2 : 0) | (mono ? 4 : 0);
        GlyphKey key{ref.face->id, ref.glyph, pixels, flags};
        auto it = FGlyphs.find(key);
        if (it != FGlyphs.end()) return &it->second;
        CachedGlyph& g = FGlyphs[key];
        ++renderCount;
        Render(ref.face, ref.glyph, pixels, flags, g);
        return &g;
    }

    skintext::TMetrics Metrics(Resolved& r, int pixels, bool mono) {
        auto it = r.metrics.find({pixels, mono});
        if (it != r.metrics.end()) return it->second;
        skintext::TMetrics m;
        if (r.primary && SetPixels(r.primary, pixels)) {
            const FT_Size_Metrics& sm = r.primary->face->size->metrics;
            if (r.chinese) {
                // The Windows Chinese faces are laid out on the em square
                // (SimSun: ascent 220/256): a 12-pixel font is 12 rows high,
                // which is what the windows' label sizes are made for.
                m.Ascent = (pixels * 220 + 128) / 256;
                m.Descent = pixels - m.Ascent;
            } else {
                m.Ascent = int((sm.ascender + 63) >> 6);
                m.Descent = int((-sm.descender + 63) >> 6);
            }
            m.Height = m.Ascent + m.Descent;
            m.AveCharWidth = Glyph(r, Lookup(r, U'x'), pixels, mono)->Advance;
        } else {
            m.Ascent = pixels;
            m.Height = pixels;
            m.AveCharWidth = std::max(1, pixels / 2);
        }
        r.metrics.emplace(std::make_pair(pixels, int(mono)), m);
        return m;
    }

    // Underline offset below the baseline and thickness, in pixels.
    std::pair<int, int> Underline(const Resolved& r, int pixels) {
        if (!r.primary || !FT_IS_SCALABLE(r.primary->face)) return {1, 1};
        FT_Face f = r.primary->face;
        double scale = double(pixels) / f->units_per_EM;
        int pos = std::max(1, int(std::lround(-f->underline_position * scale)));
        int thick = std::max(1, int(std::lround(f->underline_thickness * scale)));
        return {pos, thick};
    }

private:
    FT_Library FLibrary = nullptr;
    std::map<std::pair<std::string, int>, std::unique_ptr<Face>> FFaces;
    std::map<std::tuple<std::string, bool, bool>, std::unique_ptr<Resolved>> FResolved;
    std::unordered_map<GlyphKey, CachedGlyph, GlyphKeyHash> FGlyphs;
    CachedGlyph FEmpty;

    FcPattern* MakePattern(const Resolved& r, bool bold, bool italic) {
        FcPattern* pat = FcPatternCreate();
        for (auto& f : r.requestFamilies)
            FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(f.c_str()));
        if (r.chinese) FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
        FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcConfigSubstitute(nullptr, pat, FcMatchPattern);
        FcDefaultSubstitute(pat);
        return pat;
    }

    void LoadFallbacks(Resolved& r) {
        if (r.fallbacksLoaded) return;
        r.fallbacksLoaded = true;
        FcPattern* pat = MakePattern(r, false, false);
        FcResult result;
        FcFontSet* set = FcFontSort(nullptr, pat, FcTrue, nullptr, &result);
        if (set) {
            for (int i = 0; i < set->nfont; ++i) {
                FcChar8* file = nullptr;
                int index = 0;
                FcCharSet* cs = nullptr;
                if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
                if (FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &cs) != FcResultMatch)
                    continue;
                FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
                r.fallbackFiles.emplace_back(reinterpret_cast<const char*>(file), index);
                r.fallbackSets.push_back(FcCharSetCopy(cs));
            }
            FcFontSetDestroy(set);
        }
        FcPatternDestroy(pat);
    }

    Face* OpenFace(const std::string& file, int index) {
        auto key = std::make_pair(file, index);
        auto it = FFaces.find(key);
        if (it != FFaces.end()) return it->second.get();
        FT_Face face = nullptr;
        if (FT_New_Face(FLibrary, file.c_str(), index, &face) != 0) {
            FFaces.emplace(key, nullptr);
            return nullptr;
        }
        FT_Select_Charmap(face, FT_ENCODING_UNICODE);
        auto f = std::make_unique<Face>();
        f->face = face;
        f->file = file;
        f->index = index;
        f->id = int(FFaces.size()) + 1;
        Face* raw = f.get();
        FFaces.emplace(key, std::move(f));
        return raw;
    }

    void Render(Face* f, uint32_t glyph, int pixels, int flags, CachedGlyph& g) {
        if (!SetPixels(f, pixels)) return;
        const bool mono = flags & 4;
        FT_Int32 load = FT_LOAD_DEFAULT | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
        if (FT_Load_Glyph(f->face, glyph, load) != 0) return;
        FT_GlyphSlot slot = f->face->glyph;
        if (flags & 2) FT_GlyphSlot_Oblique(slot);
        if (flags & 1) FT_GlyphSlot_Embolden(slot);
        if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
            FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
            return;
        g.Advance = int((slot->advance.x + 32) >> 6);
        g.Left = slot->bitmap_left;
        g.Top = slot->bitmap_top;
        FT_Bitmap gray;
        FT_Bitmap_Init(&gray);
        const FT_Bitmap* bm = &slot->bitmap;
        int levels = 256;
        if (bm->pixel_mode != FT_PIXEL_MODE_GRAY) {
            if (FT_Bitmap_Convert(FLibrary, bm, &gray, 1) != 0) return;
            bm = &gray;
            levels = bm->num_grays;
        } else {
            levels = bm->num_grays;
        }
        g.Width = int(bm->width);
        g.Height = int(bm->rows);
        g.Coverage.resize(size_t(g.Width) * size_t(g.Height));
        for (int y = 0; y < g.Height; ++y) {
            const unsigned char* row = bm->buffer + ptrdiff_t(y) * bm->pitch;
            for (int x = 0; x < g.Width; ++x) {
                int v = row[x];
                if (levels != 256 && levels > 1) v = v * 255 / (levels - 1);
                g.Coverage[size_t(y) * size_t(g.Width) + size_t(x)] = uint8_t(std::min(v, 255));
            }
        }
        FT_Bitmap_Done(FLibrary, &gray);
    }
};

Engine& TheEngine() {
    static Engine* engine = new Engine(); // glyphs stay cached for the whole run
    return *engine;
}
// A request at one size and quality: the resolved family plus the size.
class FreeTypeFont : public skintext::TEngineFont {
public:
    FreeTypeFont(Resolved& r, int pixels, bool mono) : FRes(r), FPixels(pixels), FMono(mono) {}

    skintext::TMetrics Metrics() override { return TheEngine().Metrics(FRes, FPixels, FMono); }
    const skintext::TGlyph& Glyph(char32_t ch) override {
        Engine& e = TheEngine();
        return *e.Glyph(FRes, e.Lookup(FRes, ch), FPixels, FMono);
    }
    std::pair<int, int> Underline() override { return TheEngine().Underline(FRes, FPixels); }
    skintext::TFace Face() override {
        skintext::TFace out;
        if (FRes.primary) {
            out.File = FRes.primary->file;
            out.Index = FRes.primary->index;
        }
        out.Family = FRes.family;
        out.SyntheticBold = FRes.bold;
        out.SyntheticItalic = FRes.italic;
        return out;
    }

private:
    Resolved& FRes;
    int FPixels;
    bool FMono;
};

} // namespace

namespace skintext {

TEngineFont& FindFont(const TFontRequest& font) {
    // Grey-scale is FreeType's default, so only monochrome makes a difference.
    using Key = std::tuple<std::string, bool, bool, int, bool>;
    static auto* fonts = new std::map<Key, std::unique_ptr<FreeTypeFont>>();
    const bool mono = font.Quality == TQuality::NonAntialiased;
    Key key{font.Name, font.Bold, font.Italic, font.Pixels, mono};
    auto it = fonts->find(key);
    if (it == fonts->end())
        it = fonts
                 ->emplace(key, std::make_unique<FreeTypeFont>(TheEngine().Resolve(font),
                                                               font.Pixels, mono))
                 .first;
    return *it->second;
}

int RenderedGlyphs() {
    return TheEngine().renderCount;
}

} // namespace skintext
