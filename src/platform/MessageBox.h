#pragma once
// Message boxes. The program installs a presenter that shows a real box when
// a display is available; without one each box is one line on standard
// error. The windowing back-ends may install their own presenter (the
// headless one records the boxes).
#include <functional>
#include <string>

namespace platform {

enum class MessageIcon { Error, Warning, Information, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageResult { Ok, Yes, No };

struct MessageBoxRequest {
    std::string text;
    std::string title;
    MessageIcon icon = MessageIcon::Error;
    MessageButtons buttons = MessageButtons::Ok;
};

using MessageBoxPresenter = std::function<MessageResult(const MessageBoxRequest&)>;

MessageResult ShowMessageBox(const MessageBoxRequest& request);
// The system's usual error box: title "错误", error icon, OK.
void ShowErrorBox(const std::string& text);

// Replaces the presenter; an empty one restores the default. Returns the old one.
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);

// "title: text" as one line on standard error (line breaks become blanks);
// a question is answered Yes. The default presenter without a display.
MessageResult WriteMessageBoxLine(const MessageBoxRequest& request);

// The system's own box, the default presenter when a display is available.
// Windows: MessageBoxW, owned by the process's active window, modal to it;
// when the box cannot be shown, the line above. POSIX has no box of its own
// below the skin: the line above.
MessageResult ShowSystemMessageBox(const MessageBoxRequest& request);

// True when a display can be used and UPDATER_HEADLESS is not set (or empty).
// POSIX: DISPLAY or WAYLAND_DISPLAY is set. Windows: always one otherwise.
bool DisplayAvailable();

} // namespace platform
