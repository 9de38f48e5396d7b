#include "skin/ZelSkinPictures.h"

namespace {

TZelSkinImagePtr NewLike(const TZelSkinImage& source, int width, int height) {
    auto out = std::make_unique<TZelSkinImage>(width, height);
    out->CopyPropertiesFrom(source);
    return out;
}

// The piece copied, scaled into `dst`; nothing when either side is empty.
void CopyScaled(TZelPainter& painter, const TZelSkinImage& src, const TRect& srcRect,
                const TRect& dst) {
    if (srcRect.IsEmpty() || dst.IsEmpty()) return;
    painter.StretchDraw(dst, src, srcRect, dmOpaque);
}

} // namespace

std::vector<TZelSkinImagePtr> SplitSkinImage(const TZelSkinImage* image, int N) {
    std::vector<TZelSkinImagePtr> pieces;
    if (!image || N <= 0) return pieces;
    const int w = image->Width() / N;
    for (int i = 0; i < N; ++i) {
        auto piece = std::make_unique<TZelSkinImage>(
            image->CopyRect(TRect::Bounds(i * w, 0, w, image->Height())));
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

void NineSliceDraw(const TZelSkinImage& source, TZelSkinImage& destination, const TRect& margins) {
    const int SW = source.Width(), SH = source.Height();
    const int DW = destination.Width(), DH = destination.Height();
    const int L = margins.Left, T = margins.Top, R = margins.Right, B = margins.Bottom;
    const int R2 = DW - (SW - R), B2 = DH - (SH - B);
    TZelPainter p(destination);
    CopyScaled(p, source, {L, T, R, B}, {L, T, R2, B2});     // centre
    CopyScaled(p, source, {0, T, L, B}, {0, T, L, B2});      // left edge
    CopyScaled(p, source, {L, 0, R, T}, {L, 0, R2, T});      // top edge
    CopyScaled(p, source, {R, T, SW, B}, {R2, T, DW, B2});   // right edge
    CopyScaled(p, source, {L, B, R, SH}, {L, B2, R2, DH});   // bottom edge
    CopyScaled(p, source, {0, 0, L, T}, {0, 0, L, T});       // top-left
    CopyScaled(p, source, {R, 0, SW, T}, {R2, 0, DW, T});    // top-right
    CopyScaled(p, source, {0, B, L, SH}, {0, B2, L, DH});    // bottom-left
    CopyScaled(p, source, {R, B, SW, SH}, {R2, B2, DW, DH}); // bottom-right
}

TZelSkinImagePtr ResizeSkinImage(const TZelSkinImage* image, int width, int height) {
    if (!image) return nullptr;
    auto out = NewLike(*image, width, height);
    const int SW = image->Width(), SH = image->Height();
    if (image->Empty() || out->Empty()) return out;
    int L = std::max(SW / 3, 1), T = std::max(SH / 3, 1);
    // Tiny sources: the middle third must not pass the far edge.
    int R = std::min(2 * L, SW), B = std::min(2 * T, SH);
    if (width == SW) L = R = 0;
    if (height == SH) T = B = 0;
    NineSliceDraw(*image, *out, {L, T, R, B});
    return out;
}

TZelSkinImagePtr StretchBarImage(const TZelSkinImage* image, int width, int edge) {
    if (!image) return nullptr;
    const int SW = image->Width(), SH = image->Height();
    auto out = NewLike(*image, width, SH);
    if (width <= 0 || image->Empty()) return out;

    TRect left, middle, right; // source rectangles
    if (edge > 0 && edge < SW / 3) {
        left = {0, 0, edge, SH};
        middle = {edge, 0, SW - edge, SH};
        right = {SW - edge, 0, SW, SH};
    } else {
        const int w = SW / 3;
        left = {0, 0, w, SH};
        middle = {w, 0, 2 * w, SH};
        right = {2 * w, 0, 3 * w, SH};
    }
    TZelPainter p(*out);
    const int lw = left.Width(), rw = right.Width();
    if (lw >= width) {
        p.Copy(0, 0, *image, {0, 0, width, SH});
        return out;
    }
    if (edge > 0) {
        const bool both = edge + 3 < width;
        if (both) CopyScaled(p, *image, middle, {lw, 0, width - rw, SH});
        p.Copy(0, 0, *image, left);
        if (both) p.Copy(width - rw, 0, *image, right);
    } else {
        CopyScaled(p, *image, middle, {lw, 0, width - lw, SH});
        p.Copy(0, 0, *image, left);
        p.Copy(width - lw, 0, *image, right);
    }
    return out;
}

// ---------------------------------------------------------------------------

void TPngPictures::Changed() {
    if (!FLocked && FPicturesChanged) FPicturesChanged(this);
}

void TPngPictures::SetActive(bool value) {
    FActive = value;
    Changed();
}

void TPngPictures::SetImage(const TZelResID& value) {
    if (value == FImage) return;
    FImage = value;
    FSourceImage = SkinResManager()->GetImageByName(value);
    Changed();
}

void TPngPictures::SetNormal(int value) {
    FNormal = value;
    Changed();
}

void TPngPictures::SetHot(int value) {
    FHot = value;
    Changed();
}

void TPngPictures::SetDisable(int value) {
    FDisable = value;
    Changed();
}

void TPngPictures::SetCount(int value) {
    FCount = value;
    Changed();
}

void TPngPictures::SetPicturesChanged(TNotifyEvent value) {
    FPicturesChanged = std::move(value);
    Changed();
}

TSize TPngPictures::SourceSize() const {
    if (!FSourceImage || FSourceImage->Empty()) return {};
    return {FSourceImage->Width(), FSourceImage->Height()};
}

int TPngPictures::GetSingleWidth() const {
    if (!FSourceImage || FSourceImage->Empty() || FCount <= 0) return 0;
    return FMultiLineMode ? FSourceImage->Width() : FSourceImage->Width() / FCount;
}

int TPngPictures::GetSingleHeight() const {
    if (!FSourceImage || FSourceImage->Empty() || FCount <= 0) return 0;
    return FMultiLineMode ? FSourceImage->Height() / FCount : FSourceImage->Height();
}

TZelSkinImagePtr TPngPictures::GetFrame(int index) const {
    if (index < 0 || !FSourceImage || index >= FCount) return nullptr;
    const int w = GetSingleWidth(), h = GetSingleHeight();
    if (w <= 0 || h <= 0) return nullptr;
    TRect r =
        FMultiLineMode ? TRect::Bounds(0, index * h, w, h) : TRect::Bounds(index * w, 0, w, h);
    return std::make_unique<TZelSkinImage>(FSourceImage->CopyRect(r));
}

void TPngPictures::Assign(const TPngPictures& source) {
    if (&source == this) return;
    FActive = source.FActive;
    if (FImage != source.FImage) {
        FImage = source.FImage;
        FSourceImage = SkinResManager()->GetImageByName(FImage);
    }
    FCount = source.FCount;
    FNormal = source.FNormal;
    FHot = source.FHot;
    FPressed = source.FPressed;
    FDisable = source.FDisable;
    FMultiLineMode = source.FMultiLineMode;
    Changed();
}
