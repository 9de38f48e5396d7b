#pragma once
// The library pictures, drawn in code so that a person can change them.
#include "skin/ZelSkinImage.h"

#include <string>
#include <vector>

struct TLibraryPicture {
    std::string ResID;
    bool HasDrawMode = true; // false: stored without a draw mode (draws opaque)
    TZelSkinImage Image;
};

// All library pictures in the library's order.
std::vector<TLibraryPicture> DrawLibraryPictures();
