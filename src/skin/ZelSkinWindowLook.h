#pragma once
// The look the updater's windows share: the flat teal frame with the blue
// title bar, the caption and close button in it, and the command buttons'
// colour.
#include "skin/ZelSkinButtons.h"
#include "skin/ZelSkinForm.h"
#include "skin/ZelSkinNCControls.h"

#include <string>

constexpr int kWindowTitleHeight = 28;
constexpr TColor kCommandButtonColor = 16757007;

void SetupWindowFrame(TZelSkinForm& frame);
// The caption 8 px from the left; the close button 40 px from the right with
// its three state frames.
void SetupWindowTitle(TZelSkinNCLabel& title, const std::string& caption, const TZelFont& font);
void SetupCloseButton(TZelSkinSystemButton& button);
