#include "skin/ZelSkinText.h"

#include "platform/Text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_SYNTHESIS_H

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
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

struct CachedGlyph {
    int width = 0, height = 0, left = 0, top = 0;
    int advance = 0;
    std::vector<uint8_t> coverage; // width × height, 0…255
};

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
    std::map<std::pair<int, int>, TZelFontMetrics> metrics; // by pixels, mono
};

class Engine {
public:
    std::mutex lock;
    int renderCount = 0;

    Engine() {
        FT_Init_FreeType(&FLibrary);
        FcInit();
    }

    Resolved& Resolve(const TZelFont& font) {
        const bool bold = font.Style() & fsBold, italic = font.Style() & fsItalic;
        auto key = std::make_tuple(font.Name(), bold, italic);
        auto it = FResolved.find(key);
        if (it != FResolved.end()) return *it->second;
        auto r = std::make_unique<Resolved>();
        r->chinese = IsChineseFamily(font.Name());
        r->requestFamilies.push_back(font.Name());
        for (auto& f : SubstituteFamilies(font.Name()))
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

    TZelFontMetrics Metrics(Resolved& r, int pixels, bool mono) {
        auto it = r.metrics.find({pixels, mono});
        if (it != r.metrics.end()) return it->second;
        TZelFontMetrics m;
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
            m.AveCharWidth = Glyph(r, Lookup(r, U'x'), pixels, mono)->advance;
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
        g.advance = int((slot->advance.x + 32) >> 6);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
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
        g.width = int(bm->width);
        g.height = int(bm->rows);
        g.coverage.resize(size_t(g.width) * size_t(g.height));
        for (int y = 0; y < g.height; ++y) {
            const unsigned char* row = bm->buffer + ptrdiff_t(y) * bm->pitch;
            for (int x = 0; x < g.width; ++x) {
                int v = row[x];
                if (levels != 256 && levels > 1) v = v * 255 / (levels - 1);
                g.coverage[size_t(y) * size_t(g.width) + size_t(x)] = uint8_t(std::min(v, 255));
            }
        }
        FT_Bitmap_Done(FLibrary, &gray);
    }
};

Engine& TheEngine() {
    static Engine* engine = new Engine(); // glyphs stay cached for the whole run
    return *engine;
}

bool Mono(const TZelFont& font) {
    return font.Quality() == fqNonAntialiased;
}
int Pixels(const TZelFont& font) {
    return std::clamp(font.Height() < 0 ? -font.Height() : font.Height(), 1, 1000);
}

// ---------------------------------------------------------------------------
// Layout

struct Cell {
    char32_t ch;
    bool underline; // the character after an '&' prefix
};
using Cells = std::vector<Cell>;

bool IsCjk(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
}
// Characters that never start a line.
bool IsClosing(char32_t c) {
    static const std::u32string s = U"，。、；：！？）」』】》〉”’…·,.;:!?)]}%";
    return s.find(c) != std::u32string::npos;
}
// Characters that never end a line.
bool IsOpening(char32_t c) {
    static const std::u32string s = U"（「『【《〈“‘([{";
    return s.find(c) != std::u32string::npos;
}
bool IsBlank(char32_t c) {
    return c == U' ' || c == U'\t' || c == 0x3000;
}

class Layout {
public:
    Layout(const TZelFont& font, TTextFormat format)
        : FEngine(TheEngine()), FFont(font), FFormat(format), FPixels(Pixels(font)),
          FMono(Mono(font)), FRes(FEngine.Resolve(font)),
          FMetrics(FEngine.Metrics(FRes, FPixels, FMono)) {}

    const TZelFontMetrics& Metrics() const { return FMetrics; }
    Resolved& Res() { return FRes; }

    const CachedGlyph* Glyph(char32_t ch) {
        if (ch == U'\t') ch = U' ';
        if (ch < 0x20) return FEngine.Glyph(FRes, {}, FPixels, FMono);
        return FEngine.Glyph(FRes, FEngine.Lookup(FRes, ch), FPixels, FMono);
    }

    // Advance of each cell from the line's start (tabs depend on the position).
    int Advance(const Cell& c, int x) {
        if (c.ch == U'\t' && (FFormat & tfExpandTabs)) {
            const int stop = std::max(1, 8 * FMetrics.AveCharWidth);
            return (x / stop + 1) * stop - x;
        }
        return Glyph(c.ch)->advance;
    }
    int Width(const Cells& cells, size_t from = 0, size_t to = SIZE_MAX) {
        to = std::min(to, cells.size());
        int x = 0;
        for (size_t i = from; i < to; ++i)
            x += Advance(cells[i], x);
        return x;
    }

    // Lines of the text for a rectangle `maxWidth` wide.
    std::vector<Cells> Lines(const Cells& text, int maxWidth) {
        std::vector<Cells> paragraphs;
        if (FFormat & tfSingleLine) {
            Cells one;
            for (const Cell& c : text)
                if (c.ch != U'\r' && c.ch != U'\n') one.push_back(c);
            paragraphs.push_back(std::move(one));
        } else {
            paragraphs.emplace_back();
            for (size_t i = 0; i < text.size(); ++i) {
                if (text[i].ch == U'\r' || text[i].ch == U'\n') {
                    if (text[i].ch == U'\r' && i + 1 < text.size() && text[i + 1].ch == U'\n') ++i;
                    paragraphs.emplace_back();
                } else {
                    paragraphs.back().push_back(text[i]);
                }
            }
        }
        std::vector<Cells> lines;
        for (auto& p : paragraphs) {
            if ((FFormat & tfWordBreak) && !(FFormat & tfSingleLine))
                Wrap(p, maxWidth, lines);
            else
                lines.push_back(std::move(p));
        }
        if (FFormat & (tfEndEllipsis | tfPathEllipsis | tfWordEllipsis))
            for (auto& l : lines)
                if (Width(l) > maxWidth) l = Ellipsis(l, maxWidth);
        return lines;
    }

private:
    Engine& FEngine;
    TZelFont FFont;
    TTextFormat FFormat;
    int FPixels;
    bool FMono;
    Resolved& FRes;
    TZelFontMetrics FMetrics;

    // Where a line may end: after a run of blanks, or around CJK characters
    // unless punctuation forbids it.
    static bool BreakBefore(const Cells& p, size_t i) {
        if (i == 0 || i >= p.size()) return false;
        const char32_t prev = p[i - 1].ch, cur = p[i].ch;
        if (IsBlank(cur)) return false;
        if (IsBlank(prev)) return true;
        if (IsClosing(cur) || IsOpening(prev)) return false;
        return IsCjk(prev) || IsCjk(cur);
    }

    void Wrap(const Cells& p, int maxWidth, std::vector<Cells>& lines) {
        // Segments: a word (or one CJK character) with the blanks after it.
        std::vector<size_t> starts;
        for (size_t i = 0; i < p.size(); ++i)
            if (i == 0 || BreakBefore(p, i)) starts.push_back(i);
        starts.push_back(p.size());
        Cells line;
        for (size_t s = 0; s + 1 < starts.size(); ++s) {
            const size_t a = starts[s], b = starts[s + 1];
            size_t wordEnd = b;
            while (wordEnd > a && IsBlank(p[wordEnd - 1].ch))
                --wordEnd;
            Cells seg(p.begin() + ptrdiff_t(a), p.begin() + ptrdiff_t(b));
            Cells trial = line;
            trial.insert(trial.end(), p.begin() + ptrdiff_t(a), p.begin() + ptrdiff_t(wordEnd));
            if (!line.empty() && Width(trial) > maxWidth) {
                TrimTrailing(line);
                lines.push_back(std::move(line));
                line.clear();
                // Blanks that caused the break do not start the next line.
                size_t skip = 0;
                while (skip < seg.size() && IsBlank(seg[skip].ch))
                    ++skip;
                seg.erase(seg.begin(), seg.begin() + ptrdiff_t(skip));
            }
            line.insert(line.end(), seg.begin(), seg.end());
        }
        TrimTrailing(line);
        lines.push_back(std::move(line));
    }

    static void TrimTrailing(Cells& line) {
        while (!line.empty() && IsBlank(line.back().ch))
            line.pop_back();
    }

    Cells Dots() { return Cells(3, Cell{U'.', false}); }

    // The longest start of `line` that leaves room for `reserve`.
    size_t FitPrefix(const Cells& line, int maxWidth, int reserve) {
        size_t k = 0;
        int x = 0;
        while (k < line.size()) {
            int a = Advance(line[k], x);
            if (x + a + reserve > maxWidth) break;
            x += a;
            ++k;
        }
        return k;
    }

    Cells EndEllipsis(const Cells& line, int maxWidth) {
        const int dots = Width(Dots());
        Cells out(line.begin(), line.begin() + ptrdiff_t(FitPrefix(line, maxWidth, dots)));
        for (const Cell& c : Dots())
            out.push_back(c);
        return out;
    }

    Cells Ellipsis(const Cells& line, int maxWidth) {
        const int dots = Width(Dots());
        if (FFormat & tfPathEllipsis) {
            size_t sep = line.size();
            for (size_t i = line.size(); i-- > 0;)
                if (line[i].ch == U'\\' || line[i].ch == U'/') {
                    sep = i;
                    break;
                }
            if (sep == line.size() || sep == 0) return EndEllipsis(line, maxWidth);
            Cells head(line.begin(), line.begin() + ptrdiff_t(sep));
            Cells tail(line.begin() + ptrdiff_t(sep), line.end());
            const int tailWidth = Width(tail);
            size_t k =
                tailWidth + dots <= maxWidth ? FitPrefix(head, maxWidth, dots + tailWidth) : 0;
            Cells out(head.begin(), head.begin() + ptrdiff_t(k));
            for (const Cell& c : Dots())
                out.push_back(c);
            out.insert(out.end(), tail.begin(), tail.end());
            return out;
        }
        if (FFormat & tfWordEllipsis) {
            const size_t limit = FitPrefix(line, maxWidth, dots);
            for (size_t k = limit; k > 0; --k) {
                if (!BreakBefore(line, k) && !(k < line.size() && IsBlank(line[k].ch))) continue;
                Cells out(line.begin(), line.begin() + ptrdiff_t(k));
                TrimTrailing(out);
                if (out.empty()) break;
                for (const Cell& c : Dots())
                    out.push_back(c);
                return out;
            }
        }
        return EndEllipsis(line, maxWidth);
    }
};

Cells ToCells(std::string_view text, TTextFormat format) {
    const std::u32string u = platform::Utf8ToUtf32(text);
    Cells cells;
    cells.reserve(u.size());
    const bool prefix = !(format & tfNoPrefix);
    for (size_t i = 0; i < u.size(); ++i) {
        if (prefix && u[i] == U'&') {
            if (i + 1 >= u.size()) break;
            ++i;
            const bool mark = u[i] != U'&' && !(format & tfHidePrefix);
            cells.push_back({u[i], mark});
            continue;
        }
        cells.push_back({u[i], false});
    }
    return cells;
}

} // namespace

TZelFontMetrics GetFontMetrics(const TZelFont& font) {
    std::lock_guard guard(TheEngine().lock);
    return Layout(font, 0).Metrics();
}

int RenderedGlyphCount() {
    std::lock_guard guard(TheEngine().lock);
    return TheEngine().renderCount;
}

TZelFontFace ResolveFontFace(const TZelFont& font) {
    std::lock_guard guard(TheEngine().lock);
    Resolved& r = TheEngine().Resolve(font);
    TZelFontFace out;
    if (r.primary) {
        out.File = r.primary->file;
        out.Index = r.primary->index;
    }
    out.Family = r.family;
    out.SyntheticBold = r.bold;
    out.SyntheticItalic = r.italic;
    return out;
}

TSize TextExtent(const TZelFont& font, std::string_view text) {
    std::lock_guard guard(TheEngine().lock);
    Layout layout(font, tfNoPrefix | tfSingleLine);
    const Cells cells = ToCells(text, tfNoPrefix);
    return {layout.Width(cells), layout.Metrics().Height};
}

int TextWidth(const TZelFont& font, std::string_view text) {
    return TextExtent(font, text).cx;
}

int DrawText(TZelPainter* painter, const TZelFont& font, std::string_view text, TRect& rect,
             TTextFormat format) {
    std::lock_guard guard(TheEngine().lock);
    Layout layout(font, format);
    const TZelFontMetrics& m = layout.Metrics();
    const std::vector<Cells> lines = layout.Lines(ToCells(text, format), rect.Width());
    const int lineHeight = m.Height;
    const int total = lineHeight * int(lines.size());
    std::vector<int> widths;
    int maxWidth = 0;
    for (const Cells& l : lines) {
        widths.push_back(layout.Width(l));
        maxWidth = std::max(maxWidth, widths.back());
    }
    if (format & tfCalcRect) {
        rect.Right = rect.Left + maxWidth;
        rect.Bottom = rect.Top + total;
        return total;
    }
    if (!painter) return total;

    int y = rect.Top;
    if (format & tfSingleLine) {
        if (format & tfVerticalCenter)
            y = rect.Top + (rect.Height() - lineHeight) / 2;
        else if (format & tfBottom)
            y = rect.Bottom - lineHeight;
    }
    const TColor32 color = Color32(font.Color());
    const auto [ulPos, ulThick] = TheEngine().Underline(layout.Res(), Pixels(font));
    painter->Save();
    if (!(format & tfNoClip)) painter->IntersectClip(rect);
    const TRect clip = painter->ClipRect();
    for (size_t li = 0; li < lines.size(); ++li, y += lineHeight) {
        if (y >= clip.Bottom || y + lineHeight <= clip.Top) continue;
        int x = rect.Left;
        if (format & tfRight)
            x = rect.Right - widths[li];
        else if (format & tfCenter)
            x = rect.Left + (rect.Width() - widths[li]) / 2;
        const int baseline = y + m.Ascent;
        const int lineStart = x;
        for (const Cell& c : lines[li]) {
            const int adv = layout.Advance(c, x - lineStart);
            const CachedGlyph* g = layout.Glyph(c.ch);
            if (c.ch != U'\t') {
                for (int gy = 0; gy < g->height; ++gy) {
                    const int py = baseline - g->top + gy;
                    if (py < clip.Top || py >= clip.Bottom) continue;
                    const uint8_t* row = g->coverage.data() + size_t(gy) * size_t(g->width);
                    for (int gx = 0; gx < g->width; ++gx)
                        if (row[gx])
                            painter->BlendPixelAt(x + g->left + gx, py, WithAlpha(color, row[gx]));
                }
            }
            if (c.underline || (font.Style() & fsUnderline))
                for (int t = 0; t < ulThick; ++t)
                    painter->HorzLine(x, x + adv - 1, baseline + ulPos + t, color);
            x += adv;
        }
        if (font.Style() & fsStrikeOut)
            for (int t = 0; t < ulThick; ++t)
                painter->HorzLine(lineStart, x - 1, baseline - m.Ascent / 3 + t, color);
    }
    painter->Restore();
    return total;
}

TRect MeasureText(const TZelFont& font, std::string_view text, const TRect& rect,
                  TTextFormat format) {
    TRect r = rect;
    DrawText(nullptr, font, text, r, format | tfCalcRect);
    return r;
}

void DrawGlowText(TZelPainter& painter, const TZelFont& font, const TRect& rect,
                  std::string_view text, int blurRadius, TColor color, TTextFormat format) {
    if (platform::Trim(text).empty() || rect.IsEmpty()) return;
    const int w = rect.Width(), h = rect.Height();
    // The canvas under the rectangle.
    TZelSkinImage work(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            work.SetPixel(x, y, painter.GetPixel(rect.Left + x, rect.Top + y));
    // A white mask with the text in red, blurred into a soft shadow of it.
    TZelSkinImage mask(w, h, Color32(255, 255, 255));
    {
        TZelPainter mp(mask);
        TZelFont red = font;
        red.SetColor(clRed);
        DrawText(mp, red, text, TRect{0, 0, w, h}, format & ~tfCalcRect);
    }
    BoxBlur(mask, 1, 2, 3);
    const TColor32 halo = Color32(color);
    const int passes = 2 * std::max(0, blurRadius);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const TColor32 mk = mask.Pixel(x, y);
            const int grey = (RedOf(mk) + GreenOf(mk) + BlueOf(mk)) / 3;
            TColor32 c = work.Pixel(x, y);
            int ch[3] = {RedOf(c), GreenOf(c), BlueOf(c)};
            const int hc[3] = {RedOf(halo), GreenOf(halo), BlueOf(halo)};
            for (int k = 0; k < passes; ++k)
                for (int i = 0; i < 3; ++i)
                    ch[i] = hc[i] + (((ch[i] - hc[i]) * grey) >> 8);
            work.SetPixel(x, y,
                          Color32(uint8_t(ch[0]), uint8_t(ch[1]), uint8_t(ch[2]), AlphaOf(c)));
        }
    }
    // Back in place; the canvas keeps its own alpha.
    painter.Save();
    painter.IntersectClip(rect);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (painter.Target().BoundsRect().Contains(rect.Left + x + painter.Origin().X,
                                                       rect.Top + y + painter.Origin().Y))
                painter.SetPixel(rect.Left + x, rect.Top + y, work.Pixel(x, y));
    painter.Restore();
}
