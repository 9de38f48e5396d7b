#include "platform/CommandLine.h"

namespace platform {
namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
} // namespace

std::vector<std::string> SplitCommandLine(const std::string& s) {
    std::vector<std::string> args;
    size_t i = 0, n = s.size();

    // Program name: quotes group, nothing is escaped.
    while (i < n && IsBlank(s[i])) ++i;
    if (i >= n) return args;
    std::string prog;
    bool quoted = false;
    for (; i < n; ++i) {
        char c = s[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (IsBlank(c) && !quoted) {
            break;
        } else {
            prog += c;
        }
    }
    args.push_back(prog);

    for (;;) {
        while (i < n && IsBlank(s[i])) ++i;
        if (i >= n) break;
        std::string arg;
        quoted = false;
        while (i < n && (quoted || !IsBlank(s[i]))) {
            char c = s[i];
            if (c == '\\') {
                size_t slashes = 0;
                while (i < n && s[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && s[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && s[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += c;
                ++i;
            }
        }
        args.push_back(arg);
    }
    return args;
}

std::string QuoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\r\v\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            out.append(slashes * 2 + 1, '\\');
        } else {
            out.append(slashes, '\\');
        }
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, '\\');
    out += '"';
    return out;
}

std::string QuoteProgramPath(const std::string& path) {
    if (path.find_first_of(" \t") == std::string::npos) return path;
    return "\"" + path + "\"";
}

std::string JoinCommandLine(const std::vector<std::string>& args) {
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) out += ' ';
        out += i == 0 ? QuoteProgramPath(args[i]) : QuoteArgument(args[i]);
    }
    return out;
}

} // namespace platform
