#pragma once
// The toolkit's 32-bit image and the painter that draws into one.
#include "skin/ZelSkinTypes.h"

#include <string>
#include <string_view>
#include <vector>

enum TDrawMode { dmOpaque, dmBlend };

// The resampler every library image uses: nearest neighbour.
inline constexpr const char* kNearestResampler = "TNearestResampler";

// Source-over of a non-premultiplied pixel onto a non-premultiplied pixel,
// rounded to the nearest value.
TColor32 BlendPixel(TColor32 dst, TColor32 src);
// The source's alpha first scaled by `master` (0…255, rounded).
TColor32 BlendPixel(TColor32 dst, TColor32 src, uint8_t master);

class TZelSkinImage {
public:
    TZelSkinImage() = default;
    TZelSkinImage(int width, int height, TColor32 fill = 0);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool Empty() const { return FWidth <= 0 || FHeight <= 0; }
    TRect BoundsRect() const { return {0, 0, FWidth, FHeight}; }
    // Resizes; every pixel becomes `fill`.
    void SetSize(int width, int height, TColor32 fill = 0);

    TDrawMode DrawMode() const { return FDrawMode; }
    void SetDrawMode(TDrawMode value) { FDrawMode = value; }
    const std::string& ResamplerClassName() const { return FResamplerClassName; }
    void SetResamplerClassName(const std::string& value) { FResamplerClassName = value; }
    // Draw mode and resampler of another image.
    void CopyPropertiesFrom(const TZelSkinImage& other);

    TColor32* Bits() { return FPixels.data(); }
    const TColor32* Bits() const { return FPixels.data(); }
    TColor32* ScanLine(int y) { return FPixels.data() + size_t(y) * size_t(FWidth); }
    const TColor32* ScanLine(int y) const { return FPixels.data() + size_t(y) * size_t(FWidth); }
    TColor32 Pixel(int x, int y) const { return FPixels[size_t(y) * size_t(FWidth) + size_t(x)]; }
    void SetPixel(int x, int y, TColor32 c) { FPixels[size_t(y) * size_t(FWidth) + size_t(x)] = c; }
    // 0 outside the image.
    TColor32 PixelS(int x, int y) const;
    void Clear(TColor32 fill = 0);

    // The stored form: width and height as 32-bit little-endian integers, then
    // the pixels row by row, each little-endian (B, G, R, A).
    std::string SaveToData() const;
    // False (image unchanged) when the block is short, too long or its sizes
    // are negative.
    bool LoadFromData(const void* data, size_t size);

    // A copy of a rectangle (clipped to the image), with draw mode and resampler.
    TZelSkinImage CopyRect(const TRect& r) const;

    // Drawn unscaled at (x, y) of `dst` with this image's draw mode.
    void DrawTo(TZelSkinImage& dst, int x, int y) const;

    friend bool operator==(const TZelSkinImage&, const TZelSkinImage&) = default;

private:
    int FWidth = 0;
    int FHeight = 0;
    std::vector<TColor32> FPixels;
    TDrawMode FDrawMode = dmOpaque;
    std::string FResamplerClassName = kNearestResampler;
};

// Draws into a target image through a translation and a clip rectangle.
// Coordinates given to it are local: target = local + origin. Lines follow the
// platform's LineTo (last point left out); rectangles are half-open.
class TZelPainter {
public:
    explicit TZelPainter(TZelSkinImage& target);

    TZelSkinImage& Target() const { return *FTarget; }
    TPoint Origin() const { return FOrigin; }
    // Moves the local origin by (dx, dy).
    void Translate(int dx, int dy);
    // The clip in local coordinates.
    TRect ClipRect() const { return FClip.Offset(-FOrigin.X, -FOrigin.Y); }
    // Narrows the clip to a local rectangle.
    void IntersectClip(const TRect& r);
    // Saves origin and clip; Restore gives back the last saved pair.
    void Save();
    void Restore();

    // Pixel access in local coordinates, ignored outside the clip.
    void SetPixel(int x, int y, TColor32 c);
    void BlendPixelAt(int x, int y, TColor32 c);
    // 0 outside the target.
    TColor32 GetPixel(int x, int y) const;

    // The image unscaled at (x, y) with its draw mode; `mode` overrides it.
    void Draw(int x, int y, const TZelSkinImage& src);
    void Draw(int x, int y, const TZelSkinImage& src, const TRect& srcRect);
    void Draw(int x, int y, const TZelSkinImage& src, const TRect& srcRect, TDrawMode mode);
    // Pixels copied, whatever the draw mode.
    void Copy(int x, int y, const TZelSkinImage& src, const TRect& srcRect);
    // The source rectangle scaled into `dst` by nearest neighbour: target
    // column i of w samples source column left + ⌊(2i + 1)·sw ÷ 2w⌋ (centres).
    void StretchDraw(const TRect& dst, const TZelSkinImage& src);
    void StretchDraw(const TRect& dst, const TZelSkinImage& src, const TRect& srcRect);
    void StretchDraw(const TRect& dst, const TZelSkinImage& src, const TRect& srcRect,
                     TDrawMode mode);

    // Pixels set to c.
    void FillRect(const TRect& r, TColor32 c);
    // c blended by its alpha.
    void FillRectBlend(const TRect& r, TColor32 c);
    // A colour at an alpha: 255 sets, 0 does nothing, otherwise blends.
    void FillRect(const TRect& r, TColor color, uint8_t alpha);

    // Inclusive of both ends.
    void HorzLine(int x1, int x2, int y, TColor32 c, TDrawMode mode = dmBlend);
    void VertLine(int x, int y1, int y2, TColor32 c, TDrawMode mode = dmBlend);
    // From (x1, y1) towards (x2, y2), the last point left out.
    void Line(int x1, int y1, int x2, int y2, TColor32 c, TDrawMode mode = dmBlend);
    // The outline of a rectangle, one pixel inside its edges.
    void FrameRect(const TRect& r, TColor32 c, TDrawMode mode = dmBlend);

    // Anti-aliased shapes, blended (coverage × the colour's alpha). A rounded
    // rectangle with corner ellipses of rx × ry (the platform's RoundRect
    // takes their full size; these are the radii), and a stroke of `width`
    // with round ends from (x1, y1) to (x2, y2), pixel centres at + 0.5.
    void FillRoundRectSmooth(const TRect& r, float rx, float ry, TColor32 c);
    void StrokeSmooth(float x1, float y1, float x2, float y2, float width, TColor32 c);

    // Linear gradient over the rectangle, first row `from`; row r of n holds,
    // per channel, from + (to − from)·r ÷ n (integer division), so the last
    // row stops one step short of `to`. The clip may cut the rectangle; the
    // rows keep their place in it.
    void GradientVertical(const TRect& r, TColor32 from, TColor32 to, TDrawMode mode = dmOpaque);
    void GradientHorizontal(const TRect& r, TColor32 from, TColor32 to, TDrawMode mode = dmOpaque);
    // The band's gradient in 24-bit fixed point: step = round(2²⁴ ÷ n); at
    // position i each channel is a + ((step·i·(b − a)) >> 24), shift
    // arithmetic. Drawn opaque.
    void FillGradient(const TRect& r, TColor32 a, TColor32 b, bool horizontal);

private:
    struct State {
        TPoint origin;
        TRect clip;
    };
    TZelSkinImage* FTarget;
    TPoint FOrigin;
    TRect FClip; // in target coordinates, inside the target
    std::vector<State> FSaved;

    void Put(int tx, int ty, TColor32 c, TDrawMode mode);
};

// Box blur of the red, green and blue channels (alpha untouched): each pass
// replaces a pixel by the mean (truncated) of the 2·radius + 1 pixels around
// it along the pass's direction, counting only pixels inside the image.
// `horzPasses` passes over every row, then `vertPasses` over every column.
void BoxBlur(TZelSkinImage& image, int radius, int horzPasses, int vertPasses);
