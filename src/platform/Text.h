#pragma once
// Text at the edges: files in UTF-8, UTF-16 or the system's "ANSI" code page
// become UTF-8 inside, and go back out in the encoding they came in.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

enum class TextEncoding {
    Ansi,    // no byte-order mark: the system's code page
    Utf8,    // EF BB BF
    Utf16LE, // FF FE
    Utf16BE, // FE FF
};

// Decodes bytes by their byte-order mark (tested in the order UTF-8, UTF-16 LE,
// UTF-16 BE); without one, by the ANSI code page. The mark is not part of the
// result. `found` receives the encoding when given.
std::string DecodeText(std::string_view bytes, TextEncoding* found = nullptr);
// Encodes UTF-8 text in `encoding`, with its byte-order mark (none for ANSI).
// Characters the ANSI code page cannot hold become '?'.
std::string EncodeText(std::string_view utf8, TextEncoding encoding);

// The ANSI code page: the locale's character set; UTF-8 when the locale is
// plain ASCII/POSIX.
const std::string& AnsiCharset();
// Converts bytes in any iconv character set to UTF-8; undecodable bytes
// become U+FFFD.
std::string ToUtf8(std::string_view bytes, const std::string& charset);
std::string FromUtf8(std::string_view utf8, const std::string& charset);

// One code point at s[i], advancing i; an invalid sequence yields U+FFFD
// and one byte.
char32_t NextUtf8(std::string_view s, size_t& i);
void AppendUtf8(std::string& out, char32_t c);
// Invalid sequences replaced by U+FFFD.
std::string ValidUtf8(std::string_view s);

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
std::u32string Utf8ToUtf32(std::string_view utf8);
std::string Utf32ToUtf8(std::u32string_view utf32);

// Removes characters up to U+0020 at both ends (blanks, tabs, line breaks,
// other control characters).
std::string Trim(std::string_view s);
// Unicode-aware lower-casing (not only A to Z).
std::string LowerCase(std::string_view utf8);
// The lower-case form of one character, by the system's tables.
char32_t LowerChar(char32_t c);
// A to Z only; for names compared the way the INI file and JSON members are.
std::string AsciiLowerCase(std::string_view s);
std::string AsciiUpperCase(std::string_view s);
bool SameTextAscii(std::string_view a, std::string_view b);

// A 32-bit integer in decimal with an optional sign, or in hexadecimal after
// "0x", "0X" or "$" (up to 32 bits, taken as a signed value). Nothing else
// is accepted, not even blanks.
bool TryStrToInt32(std::string_view s, int32_t& out);

} // namespace platform
