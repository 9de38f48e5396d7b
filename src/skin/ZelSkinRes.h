#pragma once
// Named skin images: the compiled-in library and the resource manager that
// finds an image by name or by file.
#include "skin/ZelSkinImage.h"

#include <memory>
#include <string>
#include <vector>

// The name of a skin image.
using TZelResID = std::string;

class TZelSkinBitmapItem {
public:
    const TZelResID& ResID() const { return FResID; }
    void SetResID(const TZelResID& value) { FResID = value; }
    TZelSkinImage& Bitmap() { return FBitmap; }
    const TZelSkinImage& Bitmap() const { return FBitmap; }
    // Copies pixels, draw mode and resampler.
    void SetBitmap(const TZelSkinImage& value) { FBitmap = value; }
    const std::string& Description() const { return FDescription; }
    void SetDescription(const std::string& value) { FDescription = value; }

private:
    TZelResID FResID;
    TZelSkinImage FBitmap;
    std::string FDescription;
};

// Owns its items; an item keeps its address while it is in the collection.
class TZelSkinBitmapCollection {
public:
    int Count() const { return int(FItems.size()); }
    TZelSkinBitmapItem* Items(int index) const;
    TZelSkinBitmapItem* Add();
    void Delete(int index);
    void Clear() { FItems.clear(); }
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate() {
        if (FUpdateCount > 0) --FUpdateCount;
    }
    int UpdateCount() const { return FUpdateCount; }

private:
    std::vector<std::unique_ptr<TZelSkinBitmapItem>> FItems;
    int FUpdateCount = 0;
};

class TZelSkinImageList {
public:
    explicit TZelSkinImageList(const std::string& name = "") : FName(name) {}
    const std::string& Name() const { return FName; }
    TZelSkinBitmapCollection& Bitmaps() { return FBitmaps; }
    const TZelSkinBitmapCollection& Bitmaps() const { return FBitmaps; }

private:
    std::string FName;
    TZelSkinBitmapCollection FBitmaps;
};

// The library data module: "ZelSkinResDM" with the list ZelSkinImageListMain,
// filled from the compiled-in pictures when it is created.
class TZelSkinResDM {
public:
    TZelSkinResDM();
    const std::string& Name() const { return FName; }
    TZelSkinImageList ZelSkinImageListMain{"ZelSkinImageListMain"};

private:
    std::string FName = "ZelSkinResDM";
};

// The one library module, created during start-up (before main) and kept until
// the process ends.
TZelSkinResDM* ZelSkinResDM();

class TZelSkinResManager {
public:
    // `imageList`: the library list, not owned.
    explicit TZelSkinResManager(TZelSkinImageList* imageList);

    TZelSkinImageList* ImageList() const { return FImageList; }
    TZelSkinImageList* RunTimeImageList() const { return FRunTimeImageList.get(); }
    bool Designing() const { return false; }

    // Empty (after trimming) → none; an existing file of that name → its
    // run-time image when it loads; else the first library item whose trimmed,
    // upper-cased ResID equals the trimmed, upper-cased name. The image
    // belongs to its list.
    TZelSkinImage* GetImageByName(const TZelResID& ResID);
    // The cached run-time image of the file, loaded on first use; none when
    // the file cannot be read or decoded (failures are not cached).
    TZelSkinImage* GetImageByFileName(const std::string& FileName);

    int IndexOfRes(const TZelResID& ResID) const;
    int IndexOfFileName_RunTime(const std::string& FileName) const;

    // Appends a library item holding a copy of the image.
    int AddRes(const TZelSkinImage& image, const TZelResID& ResID, const std::string& Description);
    // Loads the file and appends it; an empty ResID becomes the file name
    // without folder and extension. −1 when the file does not load.
    int AddRes(const std::string& FileName, const TZelResID& ResID, const std::string& Description);
    // Reloads an existing library item from a file; the description and the
    // name change when the new ones are not empty. −1 (item unchanged) when
    // there is no such item or the file does not load.
    int ReplaceRes(const TZelResID& DestResID, const std::string& ImageFileName,
                   const std::string& NewDescription, const TZelResID& NewResID);
    // Removes the library item of that name, else the run-time item of that
    // file name.
    void Delete(const TZelResID& ResID);
    void BeginUpdate();
    void EndUpdate();

private:
    TZelSkinImageList* FImageList;
    std::unique_ptr<TZelSkinImageList> FRunTimeImageList;
};

// The shared manager, created on first call over the library list.
TZelSkinResManager* SkinResManager();

// Loads a picture file: ".PNG" names as PNG with their transparency; other
// names through the general loader (PNG or BMP content), draw mode dmOpaque.
bool LoadSkinPictureFile(const std::string& FileName, TZelSkinImage& image);
