// The system's code pages through MultiByteToWideChar and WideCharToMultiByte.
#include "platform/Text.h"

#include "platform/win32/Windows.h"

#include <iterator>

namespace platform {
namespace {

constexpr UINT kUtf16LE = 1200, kUtf16BE = 1201;

// The code page of a character-set name as iconv spells it (the names the
// configuration and the POSIX build use), case-insensitively; 0 when unknown.
UINT NamedCodePage(const std::string& charset);

// GB18030 falls back to its GBK part where the system lacks it (Wine).
UINT CodePage(const std::string& charset) {
    const UINT page = NamedCodePage(charset);
    return page == 54936 && !::IsValidCodePage(page) ? 936 : page;
}

UINT NamedCodePage(const std::string& charset) {
    const std::string n = AsciiUpperCase(charset);
    static const struct {
        const char* name;
        UINT page;
    } kNames[] = {
        {"UTF-8", CP_UTF8},     {"UTF8", CP_UTF8},
        {"UTF-16LE", kUtf16LE}, {"UCS-2LE", kUtf16LE},
        {"UTF-16BE", kUtf16BE}, {"UCS-2BE", kUtf16BE},
        {"GBK", 936},           {"GB2312", 936},
        {"EUC-CN", 936},        {"GB18030", 54936},
        {"BIG5", 950},          {"BIG-5", 950},
        {"SHIFT_JIS", 932},     {"SHIFT-JIS", 932},
        {"SJIS", 932},          {"EUC-KR", 949},
        {"UHC", 949},           {"ASCII", 20127},
        {"US-ASCII", 20127},    {"ANSI_X3.4-1968", 20127},
        {"LATIN1", 28591},      {"KOI8-R", 20866},
        {"KOI8-U", 21866},      {"EUC-JP", 20932},
        {"MACINTOSH", 10000},
    };
    for (const auto& entry : kNames)
        if (n == entry.name) return entry.page;
    // CP936, WINDOWS-1252, IBM437, ISO-8859-15, ISO8859-1: families by number.
    auto number = [&](std::string_view prefix, UINT base) -> UINT {
        if (n.rfind(prefix, 0) != 0 || n.size() == prefix.size()) return 0;
        int32_t value = 0;
        if (!TryStrToInt32(std::string_view(n).substr(prefix.size()), value) || value <= 0 ||
            value > 65535)
            return 0;
        return base + static_cast<UINT>(value);
    };
    for (std::string_view prefix : {"CP", "WINDOWS-", "IBM"})
        if (UINT page = number(prefix, 0)) return page;
    for (std::string_view prefix : {"ISO-8859-", "ISO8859-", "ISO_8859-"})
        if (UINT page = number(prefix, 28590)) return page;
    return 0;
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string u;
    u.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned a = static_cast<unsigned char>(bytes[i]);
        const unsigned b = static_cast<unsigned char>(bytes[i + 1]);
        u += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    std::string out = Utf16ToUtf8(u);
    if (bytes.size() % 2) out += "\xEF\xBF\xBD";
    return out;
}

std::string EncodeUtf16(std::string_view utf8, bool bigEndian) {
    std::string out;
    for (char16_t c : Utf8ToUtf16(utf8)) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

int Decode(UINT page, std::string_view bytes, DWORD flags, wchar_t* out, int room) {
    return ::MultiByteToWideChar(page, flags, bytes.data(), static_cast<int>(bytes.size()), out,
                                 room);
}

// Bytes in a code page to UTF-16. Undecodable bytes become U+FFFD, one per
// byte, whatever the code page's own default character is.
std::wstring DecodePage(UINT page, std::string_view bytes) {
    std::wstring out;
    if (bytes.empty()) return out;
    int n = Decode(page, bytes, MB_ERR_INVALID_CHARS, nullptr, 0);
    if (n > 0) {
        out.resize(static_cast<size_t>(n));
        Decode(page, bytes, MB_ERR_INVALID_CHARS, out.data(), n);
        return out;
    }
    // Character by character: the shortest prefix that decodes (up to the
    // four bytes of GB18030) is one character, else one byte is replaced.
    wchar_t buf[8];
    for (size_t i = 0; i < bytes.size();) {
        size_t taken = 0;
        for (size_t len = 1; len <= 4 && i + len <= bytes.size(); ++len) {
            int m = Decode(page, bytes.substr(i, len), MB_ERR_INVALID_CHARS, buf,
                           static_cast<int>(std::size(buf)));
            if (m > 0) {
                out.append(buf, static_cast<size_t>(m));
                taken = len;
                break;
            }
        }
        if (taken == 0) {
            out += L'\xFFFD';
            taken = 1;
        }
        i += taken;
    }
    return out;
}

std::string EncodePage(UINT page, std::string_view utf8) {
    std::wstring wide = win32::Wide(utf8);
    if (wide.empty()) return {};
    DWORD flags = 0;
    const char* fallback = nullptr;
    BOOL usedFallback = FALSE;
    BOOL* used = nullptr;
    if (page != 54936) {
        // No "best fit" (an 'a' for an 'ä'): what the page lacks becomes '?',
        // one per character, as with iconv.
        flags = WC_NO_BEST_FIT_CHARS;
        fallback = "?";
        used = &usedFallback;
        std::wstring bmp;
        for (size_t i = 0; i < wide.size(); ++i) {
            const wchar_t c = wide[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
                wide[i + 1] <= 0xDFFF) {
                bmp += L'?';
                ++i;
            } else {
                bmp += c;
            }
        }
        wide.swap(bmp);
    }
    const int size = static_cast<int>(wide.size());
    int n = ::WideCharToMultiByte(page, flags, wide.data(), size, nullptr, 0, fallback, used);
    if (n <= 0) return std::string(utf8);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(page, flags, wide.data(), size, out.data(), n, fallback, used);
    return out;
}

} // namespace

const std::string& AnsiCharset() {
    // Never destroyed: version.ini is encoded while the process ends.
    static const std::string& charset = *new std::string([] {
        const UINT page = ::GetACP();
        return page == CP_UTF8 ? std::string("UTF-8") : "CP" + std::to_string(page);
    }());
    return charset;
}

std::string ToUtf8(std::string_view bytes, const std::string& charset) {
    const UINT page = CodePage(charset);
    switch (page) {
    case CP_UTF8:
        return ValidUtf8(bytes);
    case kUtf16LE:
    case kUtf16BE:
        return DecodeUtf16(bytes, page == kUtf16BE);
    case 0:
        return std::string(bytes); // unknown: passed on, as iconv_open's failure is
    default:
        return win32::Narrow(DecodePage(page, bytes));
    }
}

std::string FromUtf8(std::string_view utf8, const std::string& charset) {
    const UINT page = CodePage(charset);
    switch (page) {
    case CP_UTF8:
    case 0:
        return std::string(utf8);
    case kUtf16LE:
    case kUtf16BE:
        return EncodeUtf16(utf8, page == kUtf16BE);
    default:
        return EncodePage(page, utf8);
    }
}

char32_t LowerChar(char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return c;
    const std::wstring in = win32::Wide(Utf32ToUtf8(std::u32string_view(&c, 1)));
    wchar_t out[4];
    // The invariant locale: the same answer whatever the user's language.
    const int n = static_cast<int>(in.size());
    const int m = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, in.data(), n, out,
                                  static_cast<int>(std::size(out)), nullptr, nullptr, 0);
    if (m != n) return c;
    const std::u32string lower =
        Utf8ToUtf32(win32::Narrow(std::wstring_view(out, static_cast<size_t>(m))));
    return lower.size() == 1 ? lower[0] : c;
}

} // namespace platform
