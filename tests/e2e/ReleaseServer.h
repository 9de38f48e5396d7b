#pragma once
// What the end-to-end tests share around the server: a release published
// and served by the development server on the build-time address, its log
// read back, and the recorder application's start records.
#include "TestSupport.h"

#include <memory>
#include <string>
#include <vector>

// The development server on `listen`, once it says it serves; its standard
// error tells why when it does not.
inline std::unique_ptr<testsupport::Child>
StartDevServer(const std::string& devserver, const std::string& published,
               const std::string& listen, const std::vector<std::string>& extra, bool& ready) {
    std::vector<std::string> argv = {devserver, published, "--listen", listen};
    argv.insert(argv.end(), extra.begin(), extra.end());
    auto server = std::make_unique<testsupport::Child>(testsupport::Child::Options{argv, "/", {}});
    ready = testsupport::WaitUntil(
        [&] { return server->StdOut().find("update server on") != std::string::npos; });
    return server;
}

// How often the server's log says it served that path.
inline int ServedCount(const std::string& log, const std::string& path) {
    int n = 0;
    for (size_t p = 0; (p = log.find("serving: " + path + " ", p)) != std::string::npos; ++p)
        ++n;
    return n;
}

// The lines the recorder application wrote (none before it ran).
inline std::vector<std::string> RecordedLines(const std::string& file) {
    std::vector<std::string> lines;
    if (!testsupport::Exists(file)) return lines;
    std::string line;
    for (char c : testsupport::ReadFile(file)) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    return lines;
}
