// A stand-in for the application in the demo: shows the agent code it was
// started with, on standard output and in "app-started.txt" beside itself.
#include "platform/Paths.h"

#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    std::string code = argc > 1 ? argv[1] : "";
    std::ofstream(platform::ExecutableFolder() + "app-started.txt")
        << "agent code: " << code << "\n";
    std::cout << "Varnoke started with agent code: " << code << std::endl;
    return 0;
}
