// Writes the updater's icon file for the Windows build's resources, from the
// same drawing as the application icon the main window shows: one PNG image
// per size in an .ico container (which Windows reads since Vista).
//
//   appicon <out.ico>
#include "skin/ZelSkinPng.h"
#include "ui/ImageControl.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

void Put16(std::string& out, uint16_t v) {
    out += char(v & 0xFF);
    out += char(v >> 8);
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, uint16_t(v & 0xFFFF));
    Put16(out, uint16_t(v >> 16));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: appicon <out.ico>\n");
        return 2;
    }
    const std::string out = argv[1];
    const int sizes[] = {16, 24, 32, 48, 256};
    std::vector<std::string> images;
    for (int size : sizes) {
        const std::string png = out + ".png";
        if (!SavePngToFile(ApplicationIcon(size), png)) return 1;
        std::ifstream f(png, std::ios::binary);
        images.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        std::remove(png.c_str());
    }
    std::string ico;
    Put16(ico, 0);
    Put16(ico, 1); // icons
    Put16(ico, uint16_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        ico += char(sizes[i] >= 256 ? 0 : sizes[i]); // 0 stands for 256
        ico += char(sizes[i] >= 256 ? 0 : sizes[i]);
        ico += char(0); // no palette
        ico += char(0);
        Put16(ico, 1);  // planes
        Put16(ico, 32); // bits per pixel
        Put32(ico, uint32_t(images[i].size()));
        Put32(ico, offset);
        offset += uint32_t(images[i].size());
    }
    for (const std::string& image : images)
        ico += image;
    std::ofstream(out, std::ios::binary) << ico;
    return 0;
}
