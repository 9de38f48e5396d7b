// The Windows shortcut as the shell itself reads it, independent of the
// updater's own reader: a real shell link with the target, working folder,
// icon and description set.
#include "platform/Desktop.h"
#include "platform/Text.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which they build on.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

std::wstring Wide(const std::string& s) {
    std::u16string u = platform::Utf8ToUtf16(s);
    return std::wstring(u.begin(), u.end());
}

std::string Narrow(const wchar_t* w) {
    std::wstring_view v(w);
    return platform::Utf16ToUtf8(std::u16string(v.begin(), v.end()));
}

struct ShellView {
    std::string target, working, icon, description;
};

// Reads the link with the shell's own object, as Explorer would.
ShellView ReadWithTheShell(const std::string& file) {
    ShellView view;
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    IPersistFile* store = nullptr;
    wchar_t text[MAX_PATH * 4] = {};
    int index = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&store))) &&
        SUCCEEDED(store->Load(Wide(file).c_str(), STGM_READ))) {
        if (SUCCEEDED(link->GetPath(text, MAX_PATH * 4, nullptr, SLGP_RAWPATH)))
            view.target = Narrow(text);
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH * 4))) view.working = Narrow(text);
        if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH * 4, &index))) view.icon = Narrow(text);
        if (SUCCEEDED(link->GetDescription(text, MAX_PATH * 4))) view.description = Narrow(text);
    }
    if (store) store->Release();
    if (link) link->Release();
    if (SUCCEEDED(init)) CoUninitialize();
    return view;
}

TEST(WindowsShortcut, TheShellReadsTheLinkAsWritten) {
    testsupport::TempDir desk;
    std::string root = desk.Path();
    for (char& c : root)
        if (c == '/') c = '\\';
    platform::ShortcutSpec spec{desk.Path() + "Varnoke/updater.exe", desk.Path() + "Varnoke/",
                                desk.Path() + "Varnoke/Resource/app.ico", "Varnoke 更新"};
    std::string file = platform::WriteShortcut(desk.Path(), spec);
    ASSERT_EQ(file, root + "Varnoke 更新.lnk");
    // The shell link header: its size and the shell link class.
    std::string bytes = testsupport::ReadFile(file);
    ASSERT_GE(bytes.size(), 20u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x4c\0\0\0", 4));
    EXPECT_EQ(bytes.substr(4, 4), std::string("\x01\x14\x02\0", 4));

    ShellView view = ReadWithTheShell(file);
    EXPECT_EQ(view.target, root + "Varnoke\\updater.exe");
    EXPECT_EQ(view.working, root + "Varnoke\\");
    EXPECT_EQ(view.icon, root + "Varnoke\\Resource\\app.ico");
    EXPECT_EQ(view.description, "Varnoke 更新");
}

TEST(WindowsShortcut, WorksOnAThreadWithComInEitherApartment) {
    testsupport::TempDir desk;
    for (DWORD model : {COINIT_APARTMENTTHREADED, COINIT_MULTITHREADED}) {
        SCOPED_TRACE(model == COINIT_MULTITHREADED ? "multi-threaded" : "apartment");
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, model)));
        std::string file =
            platform::WriteShortcut(desk.Path(), {desk / "u.exe", desk.Path(), "", "u"});
        EXPECT_FALSE(file.empty());
        EXPECT_TRUE(platform::ReadShortcut(file));
        // Still initialised as the caller left it: this call balances ours.
        EXPECT_EQ(CoInitializeEx(nullptr, model), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    }
}

TEST(WindowsShortcut, TheDesktopIsAnExistingFolder) {
    std::string desktop = platform::DesktopFolder();
    ASSERT_FALSE(desktop.empty());
    EXPECT_NE(desktop.back(), '\\');
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(desktop)));
}

} // namespace
