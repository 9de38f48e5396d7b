#pragma once
// State frames cut from one named image, and the stretch operations that fit
// skin images to a control's size while keeping their edges.
#include "skin/ZelSkinRes.h"

#include <memory>
#include <vector>

using TZelSkinImagePtr = std::unique_ptr<TZelSkinImage>;

// N equal side-by-side pieces, each width ÷ N wide and full height; none for
// no image or N ≤ 0.
std::vector<TZelSkinImagePtr> SplitSkinImage(const TZelSkinImage* image, int N);

// Nine pieces of `source` around the margins (L, T, R, B) copied, scaled by
// nearest neighbour, into the whole of `destination`: corners keep their
// size, edges and centre stretch. Pieces that come out empty are skipped.
void NineSliceDraw(const TZelSkinImage& source, TZelSkinImage& destination, const TRect& margins);

// Nine-slice with thirds to width × height; an axis whose size does not
// change is not sliced. None for no image.
TZelSkinImagePtr ResizeSkinImage(const TZelSkinImage* image, int width, int height);

// A bar of `width` × source height: caps of `edge` pixels (or thirds when
// edge ≤ 0 or edge ≥ width ÷ 3) with the middle stretched between them.
// Fully transparent where nothing is drawn; none for no image.
TZelSkinImagePtr StretchBarImage(const TZelSkinImage* image, int width, int edge);

class TPngPictures {
public:
    TPngPictures() = default;

    bool Active() const { return FActive; }
    void SetActive(bool value);
    bool MultiLineMode() const { return FMultiLineMode; }
    void SetMultiLineMode(bool value) { FMultiLineMode = value; }
    const TZelResID& Image() const { return FImage; }
    void SetImage(const TZelResID& value);
    int Normal() const { return FNormal; }
    void SetNormal(int value);
    int Hot() const { return FHot; }
    void SetHot(int value);
    int Disable() const { return FDisable; }
    void SetDisable(int value);
    int Count() const { return FCount; }
    void SetCount(int value);
    int Pressed() const { return FPressed; }
    void SetPressed(int value) { FPressed = value; }
    // The source image's size; {0, 0} without a non-empty source image.
    TSize SourceSize() const;
    const TNotifyEvent& PicturesChanged() const { return FPicturesChanged; }
    void SetPicturesChanged(TNotifyEvent value);

    // The library image found for Image; not owned.
    TZelSkinImage* SourceImage() const { return FSourceImage; }

    // Frame `index`: a copy of its rectangle with the source's draw mode and
    // resampler; none for an index outside 0 … Count − 1, without a source
    // image, or when the frame would be empty.
    TZelSkinImagePtr GetFrame(int index) const;
    TZelSkinImagePtr GetNormalImage() const { return GetFrame(FNormal); }
    TZelSkinImagePtr GetHotImage() const { return GetFrame(FHot); }
    TZelSkinImagePtr GetPressedImage() const { return GetFrame(FPressed); }
    TZelSkinImagePtr GetDisableImage() const { return GetFrame(FDisable); }
    int GetSingleWidth() const;
    int GetSingleHeight() const;

    void Lock() { FLocked = true; }
    void UnLock() { FLocked = false; }
    bool Locked() const { return FLocked; }
    void Assign(const TPngPictures& source);

private:
    bool FActive = false;
    bool FMultiLineMode = false;
    TZelResID FImage;
    int FNormal = 0;
    int FHot = 1;
    int FDisable = 0;
    int FCount = 3;
    int FPressed = 2;
    TNotifyEvent FPicturesChanged;
    TZelSkinImage* FSourceImage = nullptr;
    bool FLocked = false;

    void Changed();
};
