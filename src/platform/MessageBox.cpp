#include "platform/MessageBox.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

// Never destroyed: boxes may still be shown while the process ends.
struct Presenter {
    std::mutex mutex;
    MessageBoxPresenter presenter;
};
Presenter& Current() {
    static auto* p = new Presenter();
    return *p;
}

MessageResult ToStandardError(const MessageBoxRequest& r) {
    std::string line = r.title + ": " + r.text;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    return r.buttons == MessageButtons::YesNo ? MessageResult::Yes : MessageResult::Ok;
}

MessageResult WithSdl(const MessageBoxRequest& r) {
    Uint32 flags = r.icon == MessageIcon::Error     ? SDL_MESSAGEBOX_ERROR
                   : r.icon == MessageIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                                    : SDL_MESSAGEBOX_INFORMATION;
    if (r.buttons == MessageButtons::Ok) {
        if (SDL_ShowSimpleMessageBox(flags, r.title.c_str(), r.text.c_str(), nullptr) == 0)
            return MessageResult::Ok;
        return ToStandardError(r);
    }
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "否"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "是"},
    };
    SDL_MessageBoxData data = {flags, nullptr, r.title.c_str(), r.text.c_str(), 2, buttons, nullptr};
    int hit = -1;
    if (SDL_ShowMessageBox(&data, &hit) != 0) return ToStandardError(r);
    return hit == 1 ? MessageResult::Yes : MessageResult::No;
}

} // namespace

bool DisplayAvailable() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return !set("UPDATER_HEADLESS") && (set("DISPLAY") || set("WAYLAND_DISPLAY"));
}

MessageResult ShowMessageBox(const MessageBoxRequest& request) {
    MessageBoxPresenter presenter;
    {
        std::lock_guard<std::mutex> lock(Current().mutex);
        presenter = Current().presenter;
    }
    if (presenter) return presenter(request);
    return DisplayAvailable() ? WithSdl(request) : ToStandardError(request);
}

void ShowErrorBox(const std::string& text) { ShowMessageBox({text, "错误"}); }

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    std::lock_guard<std::mutex> lock(Current().mutex);
    std::swap(Current().presenter, presenter);
    return presenter;
}

} // namespace platform
