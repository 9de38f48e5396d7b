#pragma once
// The in-memory INI document behind version.ini: sections in the order they
// were met or created, each with its lines; names compared without regard to
// letter case.
#include "platform/Text.h"

#include <string>
#include <unordered_map>
#include <vector>

class TIniDocument {
public:
    struct Line {
        bool isEntry = false;
        std::string name;  // entry: trimmed text before the first "="
        std::string value; // entry: trimmed text after it
        std::string text;  // not an entry: the trimmed line
        std::string Text() const { return isEntry ? name + "=" + value : text; }
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };

    TIniDocument() = default;
    // Parses decoded text (line breaks CR LF, CR or LF).
    explicit TIniDocument(const std::string& text);

    // The whole document as text, every line ending in CR LF.
    std::string ToText() const;

    const std::vector<Section>& Sections() const { return FSections; }
    const Section* FindSection(const std::string& name) const;
    // A section exists when it holds at least one line.
    bool SectionExists(const std::string& name) const;

    // Value of the first entry of that name; nullptr when missing.
    const std::string* FindValue(const std::string& section, const std::string& name) const;
    // Replaces the first entry of that name in place, or appends one at the end
    // of the section; a missing section is created at the end of the document.
    // Names and the value are held as they will read back from the file:
    // line breaks become blanks, and blanks at the ends go.
    void WriteString(const std::string& section, const std::string& name, const std::string& value);

    platform::TextEncoding Encoding() const { return FEncoding; }
    void SetEncoding(platform::TextEncoding encoding) { FEncoding = encoding; }

private:
    Section& SectionFor(const std::string& name);
    static std::string AsRead(const std::string& text);
    static std::string Key(const std::string& name) { return platform::LowerCase(AsRead(name)); }

    std::vector<Section> FSections;
    std::unordered_map<std::string, size_t> FIndex;
    platform::TextEncoding FEncoding = platform::TextEncoding::Ansi;
};
