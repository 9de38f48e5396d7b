#include "ContactSheet.h"

#include "skin/ZelSkinRes.h"
#include "skin/ZelSkinText.h"

#include <sstream>

namespace {

constexpr int kColumns = 4;
constexpr int kCellWidth = 260;
constexpr int kScale = 2;

void Chequer(TZelPainter& p, const TRect& r) {
    for (int y = r.Top; y < r.Bottom; y += 6)
        for (int x = r.Left; x < r.Right; x += 6) {
            const bool dark = ((x - r.Left) / 6 + (y - r.Top) / 6) % 2;
            p.FillRect(TRect{x, y, std::min(x + 6, r.Right), std::min(y + 6, r.Bottom)},
                       dark ? Color32(168, 178, 188) : Color32(206, 212, 218));
        }
}

} // namespace

std::string ListLibrary() {
    std::ostringstream out;
    const auto& items = ZelSkinResDM()->ZelSkinImageListMain.Bitmaps();
    for (int i = 0; i < items.Count(); ++i) {
        const TZelSkinBitmapItem* item = items.Items(i);
        const TZelSkinImage& b = item->Bitmap();
        out << i << "\t" << item->ResID() << "\t" << b.Width() << " x " << b.Height() << "\t"
            << (b.DrawMode() == dmBlend ? "dmBlend" : "dmOpaque") << "\t" << b.ResamplerClassName()
            << "\n";
    }
    return out.str();
}

TZelSkinImage MakeContactSheet() {
    const auto& items = ZelSkinResDM()->ZelSkinImageListMain.Bitmaps();
    const TZelFont nameFont("Tahoma", 11, clBlack);
    const TZelFont infoFont("Tahoma", 10, clGray);
    const int textHeight = GetFontMetrics(nameFont).Height + GetFontMetrics(infoFont).Height;

    // Row heights first: the tallest picture of each row.
    std::vector<int> rowHeights;
    for (int i = 0; i < items.Count(); i += kColumns) {
        int h = 0;
        for (int j = i; j < std::min(i + kColumns, items.Count()); ++j)
            h = std::max(h, items.Items(j)->Bitmap().Height() * kScale);
        rowHeights.push_back(h + textHeight + 16);
    }
    int total = 0;
    for (int h : rowHeights)
        total += h;
    TZelSkinImage sheet(kColumns * kCellWidth, total, Color32(255, 255, 255));
    TZelPainter p(sheet);
    int y = 0;
    for (int i = 0; i < items.Count(); ++i) {
        const int row = i / kColumns, col = i % kColumns;
        if (col == 0 && row > 0) y += rowHeights[size_t(row - 1)];
        const TZelSkinBitmapItem* item = items.Items(i);
        const TZelSkinImage& b = item->Bitmap();
        const int x = col * kCellWidth + 8;
        TRect box = TRect::Bounds(x, y + 6, std::min(b.Width() * kScale, kCellWidth - 16),
                                  b.Height() * kScale);
        Chequer(p, box);
        p.StretchDraw(TRect::Bounds(x, y + 6, b.Width() * kScale, b.Height() * kScale), b);
        int ty = y + 8 + b.Height() * kScale;
        DrawText(p, nameFont, item->ResID(), TRect::Bounds(x, ty, kCellWidth - 12, 20),
                 tfNoPrefix | tfSingleLine | tfEndEllipsis);
        std::ostringstream info;
        info << i << ": " << b.Width() << " x " << b.Height() << ", "
             << (b.DrawMode() == dmBlend ? "blend" : "opaque");
        DrawText(p, infoFont, info.str(),
                 TRect::Bounds(x, ty + GetFontMetrics(nameFont).Height, kCellWidth - 12, 20),
                 tfNoPrefix | tfSingleLine);
    }
    return sheet;
}
