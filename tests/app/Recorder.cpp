// Appends one record of its start to "started.txt" beside itself:
//   RUN <own file name>
//   CWD <current folder>
//   ARG <argument>         (one line each; line breaks written as \n)
// With "--hold <file>" it then keeps running until <file> exists.
#include <chrono>
#include <fcntl.h>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

static std::string Escape(const char* s) {
    std::string out;
    for (; *s; ++s) {
        if (*s == '\n') out += "\\n";
        else if (*s == '\r') out += "\\r";
        else out += *s;
    }
    return out;
}

int main(int argc, char** argv) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return 2;
    exe[n] = '\0';
    std::string path = exe;
    std::string folder = path.substr(0, path.rfind('/') + 1);
    std::string record = "RUN " + path.substr(folder.size()) + "\n";
    char cwd[4096];
    record += "CWD " + std::string(getcwd(cwd, sizeof cwd) ? cwd : "?") + "\n";
    for (int i = 1; i < argc; ++i) record += "ARG " + Escape(argv[i]) + "\n";
    // One write, so a reader never sees half a record.
    int fd = open((folder + "started.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0 || write(fd, record.data(), record.size()) != static_cast<ssize_t>(record.size()))
        return 3;
    close(fd);
    if (argc >= 3 && std::strcmp(argv[1], "--hold") == 0) {
        struct stat st;
        while (stat(argv[2], &st) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}
