// Lists the compiled-in skin pictures and writes them to a contact sheet.
//   skinsheet [sheet.png]      (default: skinsheet.png in the current folder)
#include "ContactSheet.h"

#include "skin/ZelSkinPng.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : "skinsheet.png";
    std::cout << ListLibrary();
    std::string error;
    if (!SavePngToFile(MakeContactSheet(), out, &error)) {
        std::cerr << "skinsheet: " << out << ": " << error << "\n";
        return 1;
    }
    std::cout << "contact sheet: " << out << "\n";
    return 0;
}
