// The DrawText rules, shared by the systems: lines, word breaks, ellipses,
// prefixes, alignment, clipping and the glow behind a text. Glyphs and
// metrics come from the system's font engine (skin/text).
#include "skin/ZelSkinText.h"

#include "platform/Text.h"
#include "skin/text/FontEngine.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

using skintext::TEngineFont;
using skintext::TGlyph;

// The engines are not thread-safe, and their caches are shared.
std::mutex& TextLock() {
    static std::mutex* lock = new std::mutex();
    return *lock;
}

skintext::TFontRequest RequestOf(const TZelFont& font) {
    skintext::TFontRequest r;
    r.Name = font.Name();
    r.Pixels = std::clamp(font.Height() < 0 ? -font.Height() : font.Height(), 1, 1000);
    r.Bold = font.Style() & fsBold;
    r.Italic = font.Style() & fsItalic;
    r.Quality = font.Quality() == fqAntialiased      ? skintext::TQuality::Antialiased
                : font.Quality() == fqNonAntialiased ? skintext::TQuality::NonAntialiased
                                                     : skintext::TQuality::Default;
    return r;
}

TZelFontMetrics MetricsOf(const skintext::TMetrics& m) {
    return {m.Ascent, m.Descent, m.Height, m.AveCharWidth};
}

const TGlyph& EmptyGlyph() {
    static const TGlyph empty;
    return empty;
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
        : FFont(skintext::FindFont(RequestOf(font))), FFormat(format),
          FMetrics(MetricsOf(FFont.Metrics())) {}

    const TZelFontMetrics& Metrics() const { return FMetrics; }
    TEngineFont& Font() { return FFont; }

    const TGlyph& Glyph(char32_t ch) {
        if (ch == U'\t') ch = U' ';
        if (ch < 0x20) return EmptyGlyph();
        return FFont.Glyph(ch);
    }

    // Advance of each cell from the line's start (tabs depend on the position).
    int Advance(const Cell& c, int x) {
        if (c.ch == U'\t' && (FFormat & tfExpandTabs)) {
            const int stop = std::max(1, 8 * FMetrics.AveCharWidth);
            return (x / stop + 1) * stop - x;
        }
        return Glyph(c.ch).Advance;
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
    TEngineFont& FFont;
    TTextFormat FFormat;
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
    std::lock_guard guard(TextLock());
    return Layout(font, 0).Metrics();
}

int RenderedGlyphCount() {
    std::lock_guard guard(TextLock());
    return skintext::RenderedGlyphs();
}

TZelFontFace ResolveFontFace(const TZelFont& font) {
    std::lock_guard guard(TextLock());
    const skintext::TFace face = skintext::FindFont(RequestOf(font)).Face();
    return {face.File, face.Index, face.Family, face.SyntheticBold, face.SyntheticItalic};
}

TSize TextExtent(const TZelFont& font, std::string_view text) {
    std::lock_guard guard(TextLock());
    Layout layout(font, tfNoPrefix | tfSingleLine);
    const Cells cells = ToCells(text, tfNoPrefix);
    return {layout.Width(cells), layout.Metrics().Height};
}

int TextWidth(const TZelFont& font, std::string_view text) {
    return TextExtent(font, text).cx;
}

int DrawText(TZelPainter* painter, const TZelFont& font, std::string_view text, TRect& rect,
             TTextFormat format) {
    std::lock_guard guard(TextLock());
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
    const auto [ulPos, ulThick] = layout.Font().Underline();
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
            const TGlyph& g = layout.Glyph(c.ch);
            if (c.ch != U'\t') {
                for (int gy = 0; gy < g.Height; ++gy) {
                    const int py = baseline - g.Top + gy;
                    if (py < clip.Top || py >= clip.Bottom) continue;
                    const uint8_t* row = g.Coverage.data() + size_t(gy) * size_t(g.Width);
                    for (int gx = 0; gx < g.Width; ++gx)
                        if (row[gx])
                            painter->BlendPixelAt(x + g.Left + gx, py, WithAlpha(color, row[gx]));
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
