// version.ini as TAppConfig loads and saves it: bytes decoded by their mark
// (or the ANSI code page), parsed, written back in the same encoding. What
// was written once must read and write back to the very same bytes, and
// every value must read back as it was held.
#include "FuzzTargets.h"
#include "config/IniDocument.h"
#include "platform/Text.h"

#include <functional>
#include <string_view>

namespace fuzz {
namespace {

using platform::TextEncoding;

struct Codec {
    std::function<std::string(std::string_view)> decode;
    std::function<std::string(std::string_view)> encode;
};

// Every value held is found again, under the same names, after a reload.
void CheckLookups(const TIniDocument& held, const TIniDocument& reread) {
    for (const auto& section : held.Sections()) {
        for (const auto& line : section.lines) {
            if (!line.isEntry) continue;
            const std::string* before = held.FindValue(section.name, line.name);
            const std::string* after = reread.FindValue(section.name, line.name);
            if (!before || !after || *before != *after)
                throw Finding("an entry reads back otherwise: [" + section.name + "] " + line.name);
        }
    }
}

std::string Save(const TIniDocument& doc, const Codec& codec) {
    return codec.encode(doc.ToText());
}

void CheckRoundTrip(std::string_view bytes, const Codec& codec, bool lossless) {
    const std::string text = codec.decode(bytes);
    TIniDocument doc(text);
    // What the updater does to a loaded file: versions written in place and
    // appended, a section added.
    if (!doc.Sections().empty()) {
        // Copies: the writes change the document these names live in.
        const TIniDocument::Section first = doc.Sections().front();
        doc.WriteString(first.name, "Ver", "7");
        for (const auto& line : first.lines)
            if (line.isEntry) {
                doc.WriteString(first.name, line.name, "0");
                break;
            }
    }
    doc.WriteString("Plugins\\新.dll", "MD5", "d41d8cd98f00b204e9800998ecf8427e");

    const std::string written = Save(doc, codec);
    const std::string rereadText = codec.decode(written);
    if (rereadText != doc.ToText()) {
        // A code page that cannot hold a character writes '?' in its place;
        // the text then changes once, by design.
        if (!lossless) return;
        throw Finding("the text did not survive its encoding");
    }
    TIniDocument reread(rereadText);
    if (Save(reread, codec) != written) throw Finding("a second load and save changed the file");
    CheckLookups(doc, reread);
}

// The system's code pages the updater meets on Windows, through the same
// conversions as the ANSI path.
const char* const kCodePages[] = {"CP936", "CP1252", "CP932", "CP950"};

} // namespace

int IniRoundTrip(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    TextEncoding found = TextEncoding::Ansi;
    platform::DecodeText(bytes, &found);
    // The file goes back in the encoding it came in, and is read back so.
    Codec file{[found](std::string_view b) {
                   TextEncoding again = TextEncoding::Ansi;
                   std::string text = platform::DecodeText(b, &again);
                   if (again != found) throw Finding("the file came back in another encoding");
                   return text;
               },
               [found](std::string_view t) { return platform::EncodeText(t, found); }};
    const std::string ansi = platform::AsciiLowerCase(platform::AnsiCharset());
    CheckRoundTrip(bytes, file, found != TextEncoding::Ansi || ansi == "utf-8" || ansi == "utf8");

    if (found != TextEncoding::Ansi) return 0;
    for (const char* page : kCodePages) {
        Codec codec{[page](std::string_view b) { return platform::ToUtf8(b, page); },
                    [page](std::string_view t) { return platform::FromUtf8(t, page); }};
        CheckRoundTrip(bytes, codec, false);
    }
    return 0;
}

} // namespace fuzz
