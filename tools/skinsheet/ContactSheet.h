#pragma once
// The library pictures on one sheet, for a person to look at.
#include "skin/ZelSkinImage.h"

#include <string>

// Each picture at twice its size on a chequered ground (so that transparency
// shows), with its name, size and draw mode below.
TZelSkinImage MakeContactSheet();
// One line per picture: index, name, width × height, draw mode, resampler.
std::string ListLibrary();
