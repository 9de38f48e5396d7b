#include "platform/Text.h"

#include <algorithm>

namespace platform {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t NextUtf8(std::string_view s, size_t& i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 1) {
        ++i;
        return b;
    }
    if (len == 0 || i + len > s.size()) {
        ++i;
        return kReplacement;
    }
    char32_t c = b & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        c = (c << 6) | (t & 0x3F);
    }
    static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += len;
    return c;
}

namespace {

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string u;
    u.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned char a = static_cast<unsigned char>(bytes[i]);
        unsigned char b = static_cast<unsigned char>(bytes[i + 1]);
        u += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    return Utf16ToUtf8(u);
}

std::string EncodeUtf16(std::string_view utf8, bool bigEndian) {
    std::u16string u = Utf8ToUtf16(utf8);
    std::string out;
    out.reserve(2 + u.size() * 2);
    out += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : u) {
        char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

} // namespace

std::string ValidUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();)
        AppendUtf8(out, NextUtf8(s, i));
    return out;
}

std::string DecodeText(std::string_view bytes, TextEncoding* found) {
    TextEncoding enc = TextEncoding::Ansi;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        enc = TextEncoding::Utf8;
        bytes.remove_prefix(3);
    } else if (bytes.substr(0, 2) == "\xFF\xFE") {
        enc = TextEncoding::Utf16LE;
        bytes.remove_prefix(2);
    } else if (bytes.substr(0, 2) == "\xFE\xFF") {
        enc = TextEncoding::Utf16BE;
        bytes.remove_prefix(2);
    }
    if (found) *found = enc;
    switch (enc) {
    case TextEncoding::Utf8:
        return ValidUtf8(bytes);
    case TextEncoding::Utf16LE:
        return DecodeUtf16(bytes, false);
    case TextEncoding::Utf16BE:
        return DecodeUtf16(bytes, true);
    case TextEncoding::Ansi:
        break;
    }
    return ToUtf8(bytes, AnsiCharset());
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return "\xEF\xBB\xBF" + std::string(utf8);
    case TextEncoding::Utf16LE:
        return EncodeUtf16(utf8, false);
    case TextEncoding::Utf16BE:
        return EncodeUtf16(utf8, true);
    case TextEncoding::Ansi:
        break;
    }
    return FromUtf8(utf8, AnsiCharset());
}

std::u32string Utf8ToUtf32(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();)
        out += NextUtf8(utf8, i);
    return out;
}

std::string Utf32ToUtf8(std::u32string_view utf32) {
    std::string out;
    out.reserve(utf32.size());
    for (char32_t c : utf32)
        AppendUtf8(out, c > 0x10FFFF ? kReplacement : c);
    return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = NextUtf8(utf8, i);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view u) {
    std::string out;
    out.reserve(u.size());
    for (size_t i = 0; i < u.size(); ++i) {
        char32_t c = u[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < u.size() && u[i + 1] >= 0xDC00 &&
            u[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20)
        --e;
    return std::string(s.substr(b, e - b));
}

std::string LowerCase(std::string_view utf8) {
    std::u32string u = Utf8ToUtf32(utf8);
    for (char32_t& c : u) {
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z') c += 32;
        } else {
            c = LowerChar(c);
        }
    }
    return Utf32ToUtf8(u);
}

std::string AsciiLowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

std::string AsciiUpperCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

bool TryStrToInt32(std::string_view s, int32_t& out) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int base = 10;
    if (s.substr(i, 1) == "$") {
        base = 16;
        i += 1;
    } else if (s.substr(i, 2) == "0x" || s.substr(i, 2) == "0X") {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) return false;
    uint64_t v = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : 99;
        if (d >= base) return false;
        v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    if (base == 16) {
        uint32_t x = static_cast<uint32_t>(v);
        out = static_cast<int32_t>(negative ? 0u - x : x);
        return true;
    }
    if (v > (negative ? 2147483648ull : 2147483647ull)) return false;
    out = negative ? static_cast<int32_t>(-static_cast<int64_t>(v)) : static_cast<int32_t>(v);
    return true;
}

} // namespace platform
