#pragma once
// Command-line parsing shared by the release tools: help on standard output,
// errors on standard error with exit status 2.
#include <CLI/CLI.hpp>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace tools {

constexpr int kUsageError = 2;

// Parses argv into app. nullopt: go on; otherwise the exit status to end
// with, after the help or the error has been printed.
inline std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::CallForHelp&) {
        // Every subcommand's arguments too, not only their names.
        std::cout << app.help("", CLI::AppFormatMode::All);
        return 0;
    } catch (const CLI::ParseError& e) {
        // CLI11 checks required arguments before unexpected ones; a mistyped
        // option then reads "folder is required", naming the wrong fault.
        std::vector<std::string> unexpected = app.remaining(true);
        if (dynamic_cast<const CLI::RequiredError*>(&e) && !unexpected.empty()) {
            std::cerr << app.get_name()
                      << ": unknown option or extra argument: " << unexpected.front() << "\n"
                      << "Run with --help for more information.\n";
        } else {
            app.exit(e);
        }
        return kUsageError;
    }
}

} // namespace tools
