#include "gui/Clipboard.h"

#include <mutex>

namespace gui {

namespace {

struct Board {
    std::mutex mutex;
    ClipboardProvider provider;
    std::string text; // used while no provider is installed
};

Board& TheBoard() {
    static auto* b = new Board();
    return *b;
}

} // namespace

void SetClipboardText(const std::string& utf8) {
    Board& b = TheBoard();
    std::unique_lock<std::mutex> lock(b.mutex);
    if (b.provider.set) {
        auto set = b.provider.set;
        lock.unlock();
        set(utf8);
        return;
    }
    b.text = utf8;
}

std::string GetClipboardText() {
    Board& b = TheBoard();
    std::unique_lock<std::mutex> lock(b.mutex);
    if (b.provider.get) {
        auto get = b.provider.get;
        lock.unlock();
        return get();
    }
    return b.text;
}

void SetClipboardProvider(ClipboardProvider provider) {
    Board& b = TheBoard();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.provider = std::move(provider);
}

} // namespace gui
