#include "platform/MessageBox.h"

#include "platform/win32/Windows.h"

namespace platform {

bool DisplayAvailable() {
    return win32::Environment("UPDATER_HEADLESS").empty();
}

namespace {

// The active window of this process, whichever of its threads asks: the
// calling thread's own, else the foreground window when it is ours.
HWND ActiveWindowOfProcess() {
    if (HWND active = ::GetActiveWindow()) return active;
    HWND foreground = ::GetForegroundWindow();
    DWORD process = 0;
    if (foreground && ::GetWindowThreadProcessId(foreground, &process) &&
        process == ::GetCurrentProcessId())
        return foreground;
    return nullptr;
}

} // namespace

MessageResult ShowSystemMessageBox(const MessageBoxRequest& request) {
    UINT style = MB_SETFOREGROUND;
    switch (request.icon) {
    case MessageIcon::Error:
        style |= MB_ICONERROR;
        break;
    case MessageIcon::Warning:
        style |= MB_ICONWARNING;
        break;
    case MessageIcon::Information:
        style |= MB_ICONINFORMATION;
        break;
    case MessageIcon::Question:
        style |= MB_ICONQUESTION;
        break;
    }
    style |= request.buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
    HWND owner = ActiveWindowOfProcess();
    // Without an owner the box still holds off input to this thread's windows.
    if (!owner) style |= MB_TASKMODAL;
    const int answer = ::MessageBoxW(owner, win32::Wide(request.text).c_str(),
                                     win32::Wide(request.title).c_str(), style);
    switch (answer) {
    case IDYES:
        return MessageResult::Yes;
    case IDNO:
        return MessageResult::No;
    case 0: // no box could be made
        return WriteMessageBoxLine(request);
    default:
        return MessageResult::Ok;
    }
}

} // namespace platform
