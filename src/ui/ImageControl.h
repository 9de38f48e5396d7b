#pragma once
// A picture on a window, stretched to the control and blended over what lies
// beneath. Reads PNG files and icon files (.ico, PNG or 24/32-bit entries).
#include "gui/Controls.h"
#include "skin/ZelSkinImage.h"

#include <string>

// The largest picture of an icon file's bytes; false when none can be read.
bool LoadIconFromMemory(const std::string& bytes, TZelSkinImage& image);
bool LoadPictureFromFile(const std::string& path, TZelSkinImage& image);
// The application's own icon, drawn: shown when no icon file is given.
TZelSkinImage ApplicationIcon(int size = 48);

class TZelImage : public gui::TControl {
public:
    explicit TZelImage(gui::TControl* parent = nullptr) : TControl(parent) {}
    TZelSkinImage& Picture() { return FPicture; }
    void SetPicture(const TZelSkinImage& picture);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    void WndProc(gui::TMessage& message) override;

private:
    TZelSkinImage FPicture;
    bool FStretch = false;
};
