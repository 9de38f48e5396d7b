#pragma once
// The clipboard's plain-text format. The windowing back-end installs the
// system's clipboard; without one the text stays inside the process.
#include <functional>
#include <string>

namespace gui {

struct ClipboardProvider {
    std::function<void(const std::string& utf8)> set;
    std::function<std::string()> get;
};

void SetClipboardText(const std::string& utf8);
std::string GetClipboardText();
// An empty provider restores the in-process one.
void SetClipboardProvider(ClipboardProvider provider);

} // namespace gui
