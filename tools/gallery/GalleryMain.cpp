// Writes a picture of a skinned window with every control kind.
//   gallery [output.png]     (default: build/gallery.png)
//   gallery --show           shows it in a real window (Escape closes it)
#include "Gallery.h"

#include "gui/HeadlessBackend.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--show") {
        ShowGallery();
        return 0;
    }
    std::string out = argc > 1 ? argv[1] : "build/gallery.png";
    // The picture is the composed window; no display is needed for it.
    gui::UseHeadlessBackend();
    std::string error;
    if (!WriteGallery(out, &error)) {
        std::fprintf(stderr, "gallery: %s: %s\n", out.c_str(), error.c_str());
        return 1;
    }
    std::printf("%s\n", out.c_str());
    return 0;
}
