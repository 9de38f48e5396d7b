#include "platform/Messages.h"

#include "platform/MainThread.h"

#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

struct Targets {
    std::mutex mutex;
    std::unordered_map<HWND, MessageHandler> handlers;
    HWND next = 1;
};

Targets& TheTargets() {
    static auto* t = new Targets();
    return *t;
}

LRESULT Deliver(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    MessageHandler handler;
    {
        Targets& t = TheTargets();
        std::lock_guard<std::mutex> lock(t.mutex);
        auto it = t.handlers.find(window);
        if (it == t.handlers.end()) return 0;
        handler = it->second;
    }
    return handler(msg, wParam, lParam);
}

} // namespace

HWND RegisterMessageTarget(MessageHandler handler) {
    Targets& t = TheTargets();
    std::lock_guard<std::mutex> lock(t.mutex);
    HWND h = t.next++;
    t.handlers.emplace(h, std::move(handler));
    return h;
}

void UnregisterMessageTarget(HWND window) {
    Targets& t = TheTargets();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.handlers.erase(window);
}

LRESULT SendMessageW(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    SendToMainThread([&] { result = Deliver(window, msg, wParam, lParam); });
    return result;
}

void PostMessageW(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    PostToMainThread([=] { Deliver(window, msg, wParam, lParam); });
}

} // namespace platform
