#pragma once
// The compiled-in library pictures, as the build generates them.
#include "skin/ZelSkinImage.h"

#include <cstddef>

struct TZelSkinLibraryEntry {
    const char* ResID;
    bool HasDrawMode; // stored without one: dmOpaque
    TDrawMode DrawMode;
    const char* ResamplerClassName;
    const unsigned char* Data; // the pixel block
    size_t Size;
};

extern const TZelSkinLibraryEntry kZelSkinLibrary[];
extern const size_t kZelSkinLibraryCount;
