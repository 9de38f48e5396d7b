// The system's message box: a real window of this process, answered by a
// button press the test sends it.
#include "platform/MessageBox.h"

#include "TestSupport.h"
#include "platform/Text.h"

#include <future>
#include <gtest/gtest.h>
#include <windows.h>

using namespace platform;

namespace {

// A box of this process: the other cases run in processes of their own at
// the same time.
HWND FindBox(const std::string& title) {
    std::u16string u = Utf8ToUtf16(title);
    std::wstring wanted(u.begin(), u.end());
    for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, L"#32770", wanted.c_str()));) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        if (pid == ::GetCurrentProcessId()) return w;
    }
    return nullptr;
}

// Presses the button until the box has answered: a press that arrives while
// the box is still being made may be lost.
template <typename Answer> bool Press(HWND box, int button, Answer& answer) {
    return testsupport::WaitUntil([&] {
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return answer.wait_for(std::chrono::milliseconds(200)) == std::future_status::ready;
    });
}

struct BoxCase {
    const char* name;
    MessageButtons buttons;
    int press; // the button the user presses
    bool hasNo;
    MessageResult result;
};
void PrintTo(const BoxCase& c, std::ostream* os) {
    *os << c.name;
}

class SystemBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(SystemBox, ShowsTheButtonsAndReportsThePress) {
    const BoxCase& c = GetParam();
    const std::string title = std::string("更新 ") + c.name;
    auto answer = std::async(std::launch::async, [&] {
        return ShowSystemMessageBox({"第一行\n第二行", title, MessageIcon::Question, c.buttons});
    });
    HWND box = nullptr;
    // Shown only once its buttons are laid out (unused ones may exist hidden).
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return (box = FindBox(title)) != nullptr && ::IsWindowVisible(box); }));
    HWND no = ::GetDlgItem(box, IDNO);
    EXPECT_EQ(no != nullptr && ::IsWindowVisible(no), c.hasNo);
    ASSERT_TRUE(Press(box, c.press, answer));
    EXPECT_EQ(answer.get(), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, SystemBox,
    ::testing::Values(BoxCase{"ok", MessageButtons::Ok, IDOK, false, MessageResult::Ok},
                      BoxCase{"yes", MessageButtons::YesNo, IDYES, true, MessageResult::Yes},
                      BoxCase{"no", MessageButtons::YesNo, IDNO, true, MessageResult::No}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SystemBox, IsTheDefaultUnlessHeadless) {
    ASSERT_EQ(_putenv("UPDATER_HEADLESS="), 0);
    EXPECT_TRUE(DisplayAvailable());
    auto answer = std::async(std::launch::async, [] {
        return ShowMessageBox({"text", "默认的框", MessageIcon::Warning, MessageButtons::YesNo});
    });
    HWND box = nullptr;
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return (box = FindBox("默认的框")) != nullptr && ::IsWindowVisible(box); }));
    ASSERT_TRUE(Press(box, IDNO, answer));
    EXPECT_EQ(answer.get(), MessageResult::No);

    ASSERT_EQ(_putenv("UPDATER_HEADLESS=1"), 0);
    EXPECT_FALSE(DisplayAvailable());
    // Without a display a question is answered Yes at once, on standard error.
    EXPECT_EQ(ShowMessageBox({"text", "headless", MessageIcon::Question, MessageButtons::YesNo}),
              MessageResult::Yes);
    ASSERT_EQ(_putenv("UPDATER_HEADLESS="), 0);
}

} // namespace
