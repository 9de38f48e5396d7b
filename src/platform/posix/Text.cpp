// The system's code pages through iconv and the C library's locales.
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cwctype>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

namespace platform {
namespace {

bool IsUtf8Name(const std::string& charset) {
    std::string n = AsciiLowerCase(charset);
    return n == "utf-8" || n == "utf8";
}

// Runs iconv over `in`; bytes it cannot take are replaced and skipped.
std::string Convert(std::string_view in, const char* to, const char* from, std::string_view bad,
                    size_t skip) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    char buf[4096];
    while (left > 0) {
        char* dst = buf;
        size_t room = sizeof buf;
        size_t r = ::iconv(cd, &src, &left, &dst, &room);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out += bad;
            size_t n = std::min(skip == 0 ? 1 : skip, left);
            if (skip == 0) { // skip one whole UTF-8 character
                size_t i = static_cast<size_t>(src - in.data());
                NextUtf8(in, i);
                n = i - static_cast<size_t>(src - in.data());
            }
            src += n;
            left -= n;
            ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* dst = buf;
    size_t room = sizeof buf;
    ::iconv(cd, nullptr, nullptr, &dst, &room);
    out.append(buf, static_cast<size_t>(dst - buf));
    ::iconv_close(cd);
    return out;
}

} // namespace

const std::string& AnsiCharset() {
    // Never destroyed: version.ini is encoded while the process ends.
    static const std::string& charset = *new std::string([] {
        std::string name = "UTF-8";
        locale_t loc = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
        if (loc != static_cast<locale_t>(0)) {
            const char* cs = ::nl_langinfo_l(CODESET, loc);
            if (cs && *cs) name = cs;
            ::freelocale(loc);
        }
        if (name == "ANSI_X3.4-1968" || name == "ASCII" || name == "US-ASCII") name = "UTF-8";
        return name;
    }());
    return charset;
}

std::string ToUtf8(std::string_view bytes, const std::string& charset) {
    if (IsUtf8Name(charset)) return ValidUtf8(bytes);
    return Convert(bytes, "UTF-8", charset.c_str(), "\xEF\xBF\xBD", 1);
}

std::string FromUtf8(std::string_view utf8, const std::string& charset) {
    if (IsUtf8Name(charset)) return std::string(utf8);
    return Convert(utf8, charset.c_str(), "UTF-8", "?", 0);
}

char32_t LowerChar(char32_t c) {
    static const locale_t loc = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return c;
    return static_cast<char32_t>(::towlower_l(static_cast<wint_t>(c), loc));
}

} // namespace platform
