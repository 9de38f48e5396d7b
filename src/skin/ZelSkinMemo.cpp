#include "skin/ZelSkinMemo.h"

#include "gui/WindowBackend.h"
#include "platform/Text.h"
#include "skin/ZelSkinControls.h"
#include "skin/ZelSkinDC.h"

#include <algorithm>

using namespace platform;
using namespace gui;

namespace {

// Byte length of the UTF-8 sequence that starts with `lead`.
int SeqLen(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead >> 5) == 6) return 2;
    if ((lead >> 4) == 14) return 3;
    if ((lead >> 3) == 30) return 4;
    return 1;
}

char32_t Decode(const std::string& s, int i) {
    auto u = Utf8ToUtf32(
        std::string_view(s).substr(size_t(i), size_t(SeqLen((unsigned char)s[size_t(i)]))));
    return u.empty() ? U'?' : u[0];
}

} // namespace

TZelSkinMemo::TZelSkinMemo(TControl* AOwner) : TControl(AOwner) {
    SetTabStop(true);
    SetBounds(Left(), Top(), 185, 89);
}

void TZelSkinMemo::SetTransparent(bool value) {
    FTransparent = value;
    Invalidate();
}
void TZelSkinMemo::SetColor(TColor value) {
    FColor = value;
    Invalidate();
}
void TZelSkinMemo::SetFont(const TZelFont& value) {
    FFont = value;
    FWidths.clear();
    FLayoutValid = false;
    Invalidate();
}
void TZelSkinMemo::SetScrollBars(TScrollStyle value) {
    FScrollBars = value;
    FLayoutValid = false;
    Invalidate();
}
void TZelSkinMemo::SetSoftBevel(bool value) {
    FSoftBevel = value;
    FLayoutValid = false;
    Invalidate();
}

void TZelSkinMemo::Append(const std::string& line) {
    // A text with line breaks becomes several lines, as the platform's memo does.
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\n' || line[i] == '\r') {
            FLines.push_back(line.substr(start, i - start));
            if (i < line.size() && line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    FLayoutValid = false;
    Invalidate();
}

void TZelSkinMemo::Clear() {
    FLines.clear();
    FTopLine = 0;
    FAnchor = FCaret = {};
    FLayoutValid = false;
    Invalidate();
}

std::string TZelSkinMemo::AllText() const {
    std::string s;
    for (size_t i = 0; i < FLines.size(); ++i) {
        if (i) s += '\n';
        s += FLines[i];
    }
    return s;
}

int TZelSkinMemo::LineHeight() const {
    return std::max(1, GetFontMetrics(FFont).Height);
}

int TZelSkinMemo::TextWidthAvailable() const {
    int w = ClientWidth() - 4 - (FSoftBevel ? 2 : 0);
    if (FScrollBars == ssVertical) w -= kScrollBarWidth;
    return std::max(1, w);
}

int TZelSkinMemo::VisibleLineCount() const {
    int h = ClientHeight() - 2 - (FSoftBevel ? 2 : 0);
    return std::max(1, h / LineHeight());
}

int TZelSkinMemo::CharWidth(char32_t c) {
    auto it = FWidths.find(c);
    if (it != FWidths.end()) return it->second;
    int w = TextWidth(FFont, Utf32ToUtf8(std::u32string(1, c)));
    FWidths[c] = w;
    return w;
}

void TZelSkinMemo::Layout() {
    int avail = TextWidthAvailable();
    if (FLayoutValid && FLayoutWidth == avail) return;
    FSegments.clear();
    for (int li = 0; li < int(FLines.size()); ++li) {
        const std::string& s = FLines[size_t(li)];
        int start = 0, width = 0, lastBlank = -1;
        int i = 0;
        while (i < int(s.size())) {
            int len = SeqLen((unsigned char)s[size_t(i)]);
            char32_t c = Decode(s, i);
            int w = CharWidth(c);
            if (width + w > avail && i > start) {
                // Wrap after the last blank when there is one, else before this character.
                int cut = lastBlank > start ? lastBlank : i;
                FSegments.push_back({li, start, cut});
                start = cut;
                i = cut;
                width = 0;
                lastBlank = -1;
                continue;
            }
            width += w;
            i += len;
            if (c == U' ') lastBlank = i;
        }
        FSegments.push_back({li, start, int(s.size())});
    }
    FLayoutValid = true;
    FLayoutWidth = avail;
    SetTopLine(FTopLine);
}

int TZelSkinMemo::DisplayLineCount() {
    Layout();
    return int(FSegments.size());
}

void TZelSkinMemo::SetTopLine(int value) {
    int maxTop = std::max(0, int(FSegments.size()) - VisibleLineCount());
    value = std::clamp(value, 0, maxTop);
    if (value == FTopLine) return;
    FTopLine = value;
    Invalidate();
}

void TZelSkinMemo::ScrollBy(int lines) {
    Layout();
    SetTopLine(FTopLine + lines);
}

std::string TZelSkinMemo::SelText() const {
    TextPos a = std::min(FAnchor, FCaret), b = std::max(FAnchor, FCaret);
    if (a == b || FLines.empty()) return "";
    std::string out;
    for (int li = a.line; li <= b.line && li < int(FLines.size()); ++li) {
        const std::string& s = FLines[size_t(li)];
        int from = li == a.line ? a.offset : 0;
        int to = li == b.line ? b.offset : int(s.size());
        if (li != a.line) out += '\n';
        out += s.substr(size_t(from), size_t(std::max(0, to - from)));
    }
    return out;
}

void TZelSkinMemo::SelectAll() {
    FAnchor = {};
    FCaret =
        FLines.empty() ? TextPos{} : TextPos{int(FLines.size()) - 1, int(FLines.back().size())};
    Invalidate();
}

void TZelSkinMemo::CopyToClipboard() {
    std::string s = SelText();
    if (!s.empty()) WindowBackend()->SetClipboardText(s);
}

int TZelSkinMemo::XOfOffset(const Segment& seg, int offset) {
    const std::string& s = FLines[size_t(seg.line)];
    int x = 0;
    for (int i = seg.start; i < std::min(offset, seg.end);) {
        x += CharWidth(Decode(s, i));
        i += SeqLen((unsigned char)s[size_t(i)]);
    }
    return x;
}

TZelSkinMemo::TextPos TZelSkinMemo::PosFromPoint(int x, int y) {
    Layout();
    if (FSegments.empty()) return {};
    int inset = FSoftBevel ? 1 : 0;
    int d = FTopLine + (y - 1 - inset) / LineHeight();
    if (y - 1 - inset < 0) d = FTopLine - 1;
    if (d < 0) return {FSegments.front().line, FSegments.front().start};
    if (d >= int(FSegments.size())) {
        const Segment& last = FSegments.back();
        return {last.line, last.end};
    }
    const Segment& seg = FSegments[size_t(d)];
    const std::string& s = FLines[size_t(seg.line)];
    int acc = 0, target = x - 2 - inset;
    for (int i = seg.start; i < seg.end;) {
        int w = CharWidth(Decode(s, i));
        if (target < acc + w / 2) return {seg.line, i};
        acc += w;
        i += SeqLen((unsigned char)s[size_t(i)]);
    }
    return {seg.line, seg.end};
}

TRect TZelSkinMemo::TrackRect() const {
    int inset = FSoftBevel ? 1 : 0;
    return {ClientWidth() - inset - kScrollBarWidth, inset, ClientWidth() - inset,
            ClientHeight() - inset};
}

TRect TZelSkinMemo::ThumbRect() {
    Layout();
    TRect track = TrackRect();
    int total = int(FSegments.size()), visible = VisibleLineCount();
    if (total <= visible) return {};
    int h = std::max(12, track.Height() * visible / total);
    int range = total - visible;
    int top = track.Top + (track.Height() - h) * FTopLine / std::max(1, range);
    return {track.Left + 2, top, track.Right - 2, top + h};
}

void TZelSkinMemo::Paint(HDC dc) {
    Layout();
    int W = ClientWidth(), H = ClientHeight();
    if (W <= 0 || H <= 0) return;
    // One pixel larger each way, so that nothing is drawn at the edge twice.
    TZelSkinImage off(W + 1, H + 1, Color32(FColor));
    if (FTransparent) CopyParentBackground(this, off, TRect::Bounds(Left(), Top(), W + 1, H + 1));
    TZelPainter p(off);
    int inset = FSoftBevel ? 1 : 0;
    int lh = LineHeight();
    TRect textArea{inset, inset, W - inset - (FScrollBars == ssVertical ? kScrollBarWidth : 0),
                   H - inset};
    p.Save();
    p.IntersectClip(textArea);
    TextPos selA = std::min(FAnchor, FCaret), selB = std::max(FAnchor, FCaret);
    for (int d = FTopLine; d < int(FSegments.size()); ++d) {
        int y = inset + 1 + (d - FTopLine) * lh;
        if (y >= H) break;
        const Segment& seg = FSegments[size_t(d)];
        std::string text =
            FLines[size_t(seg.line)].substr(size_t(seg.start), size_t(seg.end - seg.start));
        TRect lineRect{inset + 2, y, textArea.Right, y + lh};
        const TTextFormat flags = tfLeft | tfSingleLine | tfNoPrefix | tfNoClip;
        DrawText(p, FFont, text, lineRect, flags);
        // The selected part of this line, drawn again highlighted.
        TextPos segA{seg.line, seg.start}, segB{seg.line, seg.end};
        TextPos a = std::max(selA, segA), b = std::min(selB, segB);
        if (selA != selB && a < b) {
            int x1 = lineRect.Left + XOfOffset(seg, a.offset),
                x2 = lineRect.Left + XOfOffset(seg, b.offset);
            TRect sel{x1, y, x2, y + lh};
            p.FillRect(sel, Color32(clHighlight));
            p.Save();
            p.IntersectClip(sel);
            TZelFont f = FFont;
            f.SetColor(clHighlightText);
            DrawText(p, f, text, lineRect, flags);
            p.Restore();
        }
    }
    p.Restore();
    if (FScrollBars == ssVertical) {
        TRect track = TrackRect();
        p.FillRect(track, Color32(240, 240, 240));
        TRect thumb = ThumbRect();
        if (!thumb.IsEmpty())
            p.FillRect(thumb, Color32(FThumbDragging ? 166 : 205, FThumbDragging ? 166 : 205,
                                      FThumbDragging ? 166 : 205));
    }
    if (FSoftBevel) {
        p.HorzLine(0, W - 1, 0, Color32(clBtnShadow), dmOpaque);
        p.VertLine(0, 0, H - 1, Color32(clBtnShadow), dmOpaque);
        p.HorzLine(0, W - 1, H - 1, Color32(clBtnHighlight), dmOpaque);
        p.VertLine(W - 1, 0, H - 1, Color32(clBtnHighlight), dmOpaque);
    }
    DrawImageToDC(dc, 0, 0, off, {0, 0, W, H}, dmOpaque);
}

void TZelSkinMemo::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT:
        Paint(DCFromWParam(m.WParam));
        return;
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    case WM_SIZE:
        FLayoutValid = false;
        break;
    case WM_SETCURSOR:
        WindowBackend()->SetCursor(crIBeam);
        m.Result = 1;
        return;
    case WM_MOUSEWHEEL: {
        int delta = int16_t(uint16_t((uint32_t(m.WParam) >> 16) & 0xFFFF));
        ScrollBy(-(delta / 120) * 3);
        m.Result = 1;
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        POINT pt = PointFromLParam(m.LParam);
        if (CanFocus()) SetFocus();
        if (FScrollBars == ssVertical && TrackRect().Contains(pt.x, pt.y)) {
            TRect thumb = ThumbRect();
            if (thumb.Contains(pt.x, pt.y)) {
                FThumbDragging = true;
                FThumbGrab = pt.y - thumb.Top;
            } else if (!thumb.IsEmpty()) {
                ScrollBy(pt.y < thumb.Top ? -VisibleLineCount() : VisibleLineCount());
            }
            Invalidate();
            return;
        }
        FAnchor = FCaret = PosFromPoint(pt.x, pt.y);
        FSelecting = true;
        Invalidate();
        return;
    }
    case WM_MOUSEMOVE: {
        POINT pt = PointFromLParam(m.LParam);
        if (FThumbDragging) {
            TRect track = TrackRect(), thumb = ThumbRect();
            int free = std::max(1, track.Height() - thumb.Height());
            int range = std::max(0, int(FSegments.size()) - VisibleLineCount());
            SetTopLine((pt.y - FThumbGrab - track.Top) * range / free);
        } else if (FSelecting && (m.WParam & MK_LBUTTON)) {
            if (pt.y < 0) ScrollBy(-1);
            if (pt.y >= ClientHeight()) ScrollBy(1);
            FCaret = PosFromPoint(pt.x, pt.y);
            Invalidate();
        }
        return;
    }
    case WM_LBUTTONUP:
        FSelecting = false;
        if (FThumbDragging) {
            FThumbDragging = false;
            Invalidate();
        }
        return;
    case WM_COPY:
        CopyToClipboard();
        return;
    case WM_KEYDOWN: {
        bool ctrl = (WPARAM(m.LParam) & MK_CONTROL) != 0;
        m.Result = 1;
        if (ctrl && m.WParam == 'C')
            CopyToClipboard();
        else if (ctrl && m.WParam == 'A')
            SelectAll();
        else if (m.WParam == VK_UP)
            ScrollBy(-1);
        else if (m.WParam == VK_DOWN)
            ScrollBy(1);
        else if (m.WParam == VK_PRIOR)
            ScrollBy(-VisibleLineCount());
        else if (m.WParam == VK_NEXT)
            ScrollBy(VisibleLineCount());
        else if (ctrl && m.WParam == VK_HOME)
            SetTopLine(0);
        else if (ctrl && m.WParam == VK_END)
            ScrollBy(DisplayLineCount());
        else if (m.WParam == VK_DELETE || m.WParam == VK_BACK)
            ; // read-only: nothing to delete
        else
            m.Result = 0;
        return;
    }
    default:
        break;
    }
    TControl::WndProc(m);
}
