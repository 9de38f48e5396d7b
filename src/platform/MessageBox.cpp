#include "platform/MessageBox.h"

#include "platform/Console.h"

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

} // namespace

MessageResult WriteMessageBoxLine(const MessageBoxRequest& r) {
    std::string line = r.title + ": " + r.text;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    WriteStandardError(line + "\n");
    return r.buttons == MessageButtons::YesNo ? MessageResult::Yes : MessageResult::Ok;
}

MessageResult ShowMessageBox(const MessageBoxRequest& request) {
    MessageBoxPresenter presenter;
    {
        std::lock_guard<std::mutex> lock(Current().mutex);
        presenter = Current().presenter;
    }
    if (presenter) return presenter(request);
    return DisplayAvailable() ? ShowSystemMessageBox(request) : WriteMessageBoxLine(request);
}

void ShowErrorBox(const std::string& text) {
    ShowMessageBox({text, "错误"});
}

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    std::lock_guard<std::mutex> lock(Current().mutex);
    std::swap(Current().presenter, presenter);
    return presenter;
}

} // namespace platform
