#pragma once
// The pictures of the message-box kinds, drawn with the raster at any size:
// error a red disc with a white cross, warning an amber triangle with a dark
// exclamation mark, information a blue disc with a white "i", question a blue
// disc with a white question mark.
#include "platform/MessageBox.h"
#include "skin/ZelSkinImage.h"

// The icon blended into the square at (x, y) of `size` pixels (local
// coordinates of the painter).
void DrawMessageIcon(TZelPainter& painter, int x, int y, int size, platform::MessageIcon icon);

// The colour that fills the icon's shape (disc or triangle), and the colour
// of the sign on it.
TColor32 MessageIconShapeColor(platform::MessageIcon icon);
TColor32 MessageIconSignColor(platform::MessageIcon icon);
