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

HWND FindBox(const std::string& title) {
    std::u16string u = Utf8ToUtf16(title);
    return ::FindWindowW(L"#32770", std::wstring(u.begin(), u.end()).c_str());
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
    ASSERT_TRUE(testsupport::WaitUntil([&] { return (box = FindBox(title)) != nullptr; }));
    EXPECT_EQ(::GetDlgItem(box, IDNO) != nullptr, c.hasNo);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(c.press, BN_CLICKED), 0);
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(30)), std::future_status::ready);
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
    ASSERT_TRUE(testsupport::WaitUntil([&] { return (box = FindBox("默认的框")) != nullptr; }));
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(answer.get(), MessageResult::No);

    ASSERT_EQ(_putenv("UPDATER_HEADLESS=1"), 0);
    EXPECT_FALSE(DisplayAvailable());
    // Without a display a question is answered Yes at once, on standard error.
    EXPECT_EQ(ShowMessageBox({"text", "headless", MessageIcon::Question, MessageButtons::YesNo}),
              MessageResult::Yes);
    ASSERT_EQ(_putenv("UPDATER_HEADLESS="), 0);
}

} // namespace
