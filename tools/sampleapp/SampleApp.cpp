// A stand-in for the application in the demo: shows the agent code it was
// started with, on standard output and in "app-started.txt" beside itself.
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    std::string code = argc > 1 ? argv[1] : "";
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string folder = n > 0 ? std::string(exe, n) : std::string("./x");
    folder = folder.substr(0, folder.rfind('/') + 1);
    std::ofstream(folder + "app-started.txt") << "agent code: " << code << "\n";
    std::cout << "Varnoke started with agent code: " << code << std::endl;
    return 0;
}
