#include "config/IniDocument.h"

#include <algorithm>

TIniDocument::TIniDocument(const std::string& text) {
    Section* current = nullptr;
    size_t i = 0, n = text.size();
    while (i < n) {
        size_t e = text.find_first_of("\r\n", i);
        if (e == std::string::npos) e = n;
        std::string line = platform::Trim(std::string_view(text).substr(i, e - i));
        i = e;
        if (i < n) i += (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            current =
                &SectionFor(platform::Trim(std::string_view(line).substr(1, line.size() - 2)));
            continue;
        }
        if (!current) continue;
        Line l;
        size_t eq = line.find('=');
        if (eq != std::string::npos) {
            l.isEntry = true;
            l.name = platform::Trim(std::string_view(line).substr(0, eq));
            l.value = platform::Trim(std::string_view(line).substr(eq + 1));
        } else {
            l.text = line;
        }
        current->lines.push_back(std::move(l));
    }
}

// The file splits lines at CR and LF and trims them; a name held otherwise
// (a listed file "a.dll ") would come back as another one, and its version
// written here would never be found again.
std::string TIniDocument::AsRead(const std::string& text) {
    std::string s = text;
    std::replace_if(
        s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return platform::Trim(s);
}

TIniDocument::Section& TIniDocument::SectionFor(const std::string& name) {
    auto [it, added] = FIndex.emplace(Key(name), FSections.size());
    if (added) FSections.push_back(Section{AsRead(name), {}});
    return FSections[it->second];
}

std::string TIniDocument::ToText() const {
    std::string out;
    for (const Section& s : FSections) {
        out += "[" + s.name + "]\r\n";
        for (const Line& l : s.lines)
            out += l.Text() + "\r\n";
        out += "\r\n";
    }
    return out;
}

const TIniDocument::Section* TIniDocument::FindSection(const std::string& name) const {
    auto it = FIndex.find(Key(name));
    return it == FIndex.end() ? nullptr : &FSections[it->second];
}

bool TIniDocument::SectionExists(const std::string& name) const {
    const Section* s = FindSection(name);
    return s && !s->lines.empty();
}

const std::string* TIniDocument::FindValue(const std::string& section,
                                           const std::string& name) const {
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    std::string key = Key(name);
    for (const Line& l : s->lines)
        if (l.isEntry && Key(l.name) == key) return &l.value;
    return nullptr;
}

void TIniDocument::WriteString(const std::string& section, const std::string& name,
                               const std::string& value) {
    Section& s = SectionFor(section);
    std::string key = Key(name);
    for (Line& l : s.lines) {
        if (l.isEntry && Key(l.name) == key) {
            l.name = AsRead(name);
            l.value = AsRead(value);
            return;
        }
    }
    Line l;
    l.isEntry = true;
    l.name = AsRead(name);
    l.value = AsRead(value);
    s.lines.push_back(std::move(l));
}
