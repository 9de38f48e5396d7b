#include "skin/ZelSkinRes.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "skin/ZelSkinLibraryData.h"
#include "skin/ZelSkinPng.h"

#include <cstring>

TZelSkinBitmapItem* TZelSkinBitmapCollection::Items(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return FItems[size_t(index)].get();
}

TZelSkinBitmapItem* TZelSkinBitmapCollection::Add() {
    FItems.push_back(std::make_unique<TZelSkinBitmapItem>());
    return FItems.back().get();
}

void TZelSkinBitmapCollection::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    FItems.erase(FItems.begin() + index);
}

// ---------------------------------------------------------------------------

TZelSkinResDM::TZelSkinResDM() {
    auto& items = ZelSkinImageListMain.Bitmaps();
    items.BeginUpdate();
    for (size_t i = 0; i < kZelSkinLibraryCount; ++i) {
        const TZelSkinLibraryEntry& e = kZelSkinLibrary[i];
        TZelSkinBitmapItem* item = items.Add();
        item->SetResID(e.ResID);
        TZelSkinImage& bmp = item->Bitmap();
        bmp.LoadFromData(e.Data, e.Size);
        bmp.SetDrawMode(e.HasDrawMode ? e.DrawMode : dmOpaque);
        bmp.SetResamplerClassName(e.ResamplerClassName);
    }
    items.EndUpdate();
}

TZelSkinResDM* ZelSkinResDM() {
    static TZelSkinResDM* dm = new TZelSkinResDM(); // lives until the process ends
    return dm;
}

namespace {
// The library is filled during start-up, before any window exists.
[[maybe_unused]] const TZelSkinResDM* const kStartUpLibrary = ZelSkinResDM();

std::string NameKey(const std::string& s) {
    return platform::AsciiUpperCase(platform::Trim(s));
}

int IndexOfKey(const TZelSkinImageList& list, const std::string& key) {
    const auto& items = list.Bitmaps();
    for (int i = 0; i < items.Count(); ++i)
        if (NameKey(items.Items(i)->ResID()) == key) return i;
    return -1;
}

bool EndsWithPngExtension(const std::string& name) {
    std::string up = platform::AsciiUpperCase(name);
    return up.size() >= 4 && up.compare(up.size() - 4, 4, ".PNG") == 0;
}

uint32_t Le(const unsigned char* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

// Uncompressed 24- and 32-bit Windows bitmaps.
bool LoadBmp(const std::string& bytes, TZelSkinImage& image) {
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < 54 || p[0] != 'B' || p[1] != 'M') return false;
    const uint32_t offset = Le(p + 10, 4);
    const int32_t w = int32_t(Le(p + 18, 4)), hRaw = int32_t(Le(p + 22, 4));
    const int bpp = int(Le(p + 28, 2));
    const uint32_t compression = Le(p + 30, 4);
    if (w <= 0 || hRaw == 0 || w > 0x4000 || hRaw > 0x4000 || hRaw < -0x4000) return false;
    if ((bpp != 24 && bpp != 32) || (compression != 0 && compression != 3)) return false;
    const int h = hRaw < 0 ? -hRaw : hRaw;
    const size_t stride = ((size_t(w) * size_t(bpp) / 8) + 3) & ~size_t(3);
    if (offset > bytes.size() || bytes.size() - offset < stride * size_t(h)) return false;
    TZelSkinImage out(w, h);
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = p + offset + stride * size_t(hRaw < 0 ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const unsigned char* px = row + size_t(x) * size_t(bpp / 8);
            out.SetPixel(x, y, Color32(px[2], px[1], px[0], 255));
        }
    }
    image = std::move(out);
    return true;
}

} // namespace

bool LoadSkinPictureFile(const std::string& FileName, TZelSkinImage& image) {
    if (EndsWithPngExtension(FileName)) return LoadPngFromFile(FileName, image);
    std::string bytes;
    try {
        bytes = platform::ReadWholeFile(FileName);
    } catch (const std::exception&) {
        return false;
    }
    TZelSkinImage loaded;
    bool ok = IsPngData(bytes.data(), bytes.size())
                  ? LoadPngFromMemory(bytes.data(), bytes.size(), loaded)
                  : LoadBmp(bytes, loaded);
    if (!ok) return false;
    loaded.SetDrawMode(dmOpaque);
    image = std::move(loaded);
    return true;
}

// ---------------------------------------------------------------------------

TZelSkinResManager::TZelSkinResManager(TZelSkinImageList* imageList)
    : FImageList(imageList), FRunTimeImageList(std::make_unique<TZelSkinImageList>()) {}

TZelSkinImage* TZelSkinResManager::GetImageByName(const TZelResID& ResID) {
    const std::string key = NameKey(ResID);
    if (key.empty()) return nullptr;
    if (platform::FileExists(ResID)) {
        if (TZelSkinImage* img = GetImageByFileName(ResID)) return img;
    }
    if (!FImageList) return nullptr;
    int i = IndexOfKey(*FImageList, key);
    return i < 0 ? nullptr : &FImageList->Bitmaps().Items(i)->Bitmap();
}

TZelSkinImage* TZelSkinResManager::GetImageByFileName(const std::string& FileName) {
    int i = IndexOfFileName_RunTime(FileName);
    if (i >= 0) return &FRunTimeImageList->Bitmaps().Items(i)->Bitmap();
    TZelSkinImage image;
    if (!LoadSkinPictureFile(FileName, image)) return nullptr;
    TZelSkinBitmapItem* item = FRunTimeImageList->Bitmaps().Add();
    item->SetResID(FileName);
    item->SetBitmap(image);
    return &item->Bitmap();
}

int TZelSkinResManager::IndexOfRes(const TZelResID& ResID) const {
    return FImageList ? IndexOfKey(*FImageList, NameKey(ResID)) : -1;
}

int TZelSkinResManager::IndexOfFileName_RunTime(const std::string& FileName) const {
    return IndexOfKey(*FRunTimeImageList, NameKey(FileName));
}

int TZelSkinResManager::AddRes(const TZelSkinImage& image, const TZelResID& ResID,
                               const std::string& Description) {
    if (!FImageList) return -1;
    TZelSkinBitmapItem* item = FImageList->Bitmaps().Add();
    item->SetResID(ResID);
    item->SetBitmap(image);
    item->SetDescription(Description);
    return FImageList->Bitmaps().Count() - 1;
}

int TZelSkinResManager::AddRes(const std::string& FileName, const TZelResID& ResID,
                               const std::string& Description) {
    TZelSkinImage* image = GetImageByFileName(FileName);
    if (!image) return -1;
    TZelResID name = ResID;
    if (platform::Trim(name).empty()) {
        name = platform::ExtractFileName(FileName);
        auto dot = name.rfind('.');
        if (dot != std::string::npos) name.erase(dot);
    }
    return AddRes(*image, name, Description);
}

int TZelSkinResManager::ReplaceRes(const TZelResID& DestResID, const std::string& ImageFileName,
                                   const std::string& NewDescription, const TZelResID& NewResID) {
    int i = IndexOfRes(DestResID);
    if (i < 0) return -1;
    TZelSkinImage image;
    if (!LoadSkinPictureFile(ImageFileName, image)) return -1;
    TZelSkinBitmapItem* item = FImageList->Bitmaps().Items(i);
    // The item keeps its resampler; pixels and draw mode come from the file.
    image.SetResamplerClassName(item->Bitmap().ResamplerClassName());
    item->SetBitmap(image);
    if (!NewDescription.empty()) item->SetDescription(NewDescription);
    if (!platform::Trim(NewResID).empty()) item->SetResID(NewResID);
    return i;
}

void TZelSkinResManager::Delete(const TZelResID& ResID) {
    int i = IndexOfRes(ResID);
    if (i >= 0) {
        FImageList->Bitmaps().Delete(i);
        return;
    }
    i = IndexOfFileName_RunTime(ResID);
    if (i >= 0) FRunTimeImageList->Bitmaps().Delete(i);
}

void TZelSkinResManager::BeginUpdate() {
    if (FImageList) FImageList->Bitmaps().BeginUpdate();
}

void TZelSkinResManager::EndUpdate() {
    if (FImageList) FImageList->Bitmaps().EndUpdate();
}

TZelSkinResManager* SkinResManager() {
    static TZelSkinResManager* manager =
        new TZelSkinResManager(&ZelSkinResDM()->ZelSkinImageListMain);
    return manager;
}
