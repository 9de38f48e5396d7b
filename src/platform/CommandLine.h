#pragma once
// Command lines as one text, split and joined by the Windows rules, so that a
// command line built by the updater means the same on every platform.
#include <string>
#include <vector>

namespace platform {

// Splits by the rules of the Windows command-line parser: blanks and tabs
// separate, double quotes group; in the program name (first token) quotes only
// group; elsewhere 2n backslashes before a quote give n backslashes and the
// quote groups, 2n+1 give n backslashes and a literal quote, other backslashes
// are literal; "" inside a quoted part gives a literal quote.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Quotes an argument when it is empty or holds a blank, tab, line break or
// quote, so that SplitCommandLine gives it back unchanged.
std::string QuoteArgument(const std::string& arg);
// The program path quoted only when it holds a blank or tab (program names
// cannot hold quotes).
std::string QuoteProgramPath(const std::string& path);
std::string JoinCommandLine(const std::vector<std::string>& args);

} // namespace platform
