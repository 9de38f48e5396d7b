#pragma once
// A virtual X screen of a test's own, and what the end-to-end tests do on
// it with xdotool: find a window by its title, ask its geometry, click.
#include "TestSupport.h"

#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

inline std::optional<std::string> Find(const std::string& name) {
    for (const char* dir : {"/usr/bin", "/bin", "/usr/local/bin"})
        if (::access((std::string(dir) + "/" + name).c_str(), X_OK) == 0)
            return std::string(dir) + "/" + name;
    return std::nullopt;
}

struct Geometry {
    int x = 0, y = 0, w = 0, h = 0;
};

class XScreen {
public:
    bool Start(std::string& why) {
        auto xvfb = Find("Xvfb");
        if (!xvfb || !Find("xdotool")) {
            why = "Xvfb or xdotool is missing (scripts/setup-deps installs them)";
            return false;
        }
        // The server picks a free display number itself and writes it to its
        // standard output, so tests side by side never share one.
        FServer = std::make_unique<testsupport::Child>(testsupport::Child::Options{
            {*xvfb, "-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"},
            "/",
            {}});
        std::string number;
        if (testsupport::WaitUntil(
                [&] {
                    std::string out = FServer->StdOut();
                    if (out.find('\n') != std::string::npos) number = out.substr(0, out.find('\n'));
                    return !number.empty() || !FServer->Running();
                },
                std::chrono::seconds(20)) &&
            !number.empty()) {
            Display = ":" + number;
            if (testsupport::WaitUntil([&] { return XDo({"getdisplaygeometry"}).has_value(); },
                                       std::chrono::seconds(20)))
                return true;
        }
        why = "no Xvfb could be started";
        return false;
    }
    std::optional<std::string> XDo(const std::vector<std::string>& args) const {
        std::vector<std::string> argv = {"/usr/bin/xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        // Window names are matched as UTF-8 text.
        return testsupport::RunForOutput(argv, {{"DISPLAY", Display}, {"LC_ALL", "C.UTF-8"}},
                                         std::chrono::seconds(20));
    }

    // The id of a shown window with that title once it is on screen.
    std::optional<std::string> WindowNamed(const std::string& title,
                                           std::chrono::seconds bound = std::chrono::seconds(30)) {
        std::optional<std::string> id;
        // xdotool matches names against the Latin-1 WM_NAME; the window's
        // UTF-8 name is compared here instead.
        testsupport::WaitUntil(
            [&] {
                auto out = XDo({"search", "--onlyvisible", "--name", "."});
                std::istringstream ids(out.value_or(""));
                for (std::string w; std::getline(ids, w);) {
                    auto name = XDo({"getwindowname", w});
                    if (name && *name == title + "\n") id = w;
                }
                return id.has_value();
            },
            bound);
        return id;
    }
    Geometry GeometryOf(const std::string& id) const {
        Geometry g;
        auto out = XDo({"getwindowgeometry", "--shell", id});
        if (!out) return g;
        std::smatch m;
        if (std::regex_search(*out, m, std::regex("X=(-?\\d+)"))) g.x = std::stoi(m[1]);
        if (std::regex_search(*out, m, std::regex("Y=(-?\\d+)"))) g.y = std::stoi(m[1]);
        if (std::regex_search(*out, m, std::regex("WIDTH=(\\d+)"))) g.w = std::stoi(m[1]);
        if (std::regex_search(*out, m, std::regex("HEIGHT=(\\d+)"))) g.h = std::stoi(m[1]);
        return g;
    }
    bool ClickAt(int x, int y) const {
        return XDo({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}).has_value();
    }

    std::string Display;

private:
    std::unique_ptr<testsupport::Child> FServer;
};
