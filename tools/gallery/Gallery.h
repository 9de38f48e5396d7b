#pragma once
// A skinned window with one of each skinned control, for looking at the
// toolkit and for the screenshot the build keeps.
#include "skin/ZelSkinImage.h"

#include <string>

// Builds the gallery window on the current back-end, shows it, lets it
// settle and returns what it shows.
TZelSkinImage RenderGallery();
// RenderGallery written as PNG; false when the file cannot be written.
bool WriteGallery(const std::string& pngPath, std::string* error = nullptr);
// Shows the gallery as the application's main window until it is closed
// (Escape, or the window manager's close).
void ShowGallery();
