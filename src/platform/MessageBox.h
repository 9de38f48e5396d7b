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

// The default presenter: "title: text" as one line on standard error (line
// breaks become blanks); a question is answered Yes.
MessageResult WriteMessageBoxLine(const MessageBoxRequest& request);

// True when a display can be used: DISPLAY or WAYLAND_DISPLAY is set and
// UPDATER_HEADLESS is not.
bool DisplayAvailable();

} // namespace platform
