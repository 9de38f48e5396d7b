// The checking window on a headless screen against a loopback server.
#include "HttpTestServer.h"
#include "TestSupport.h"
#include "config/UnitAppConfig.h"
#include "gui/HeadlessBackend.h"
#include "platform/Paths.h"
#include "skin/ZelSkinDC.h"
#include "skin/ZelSkinPng.h"
#include "ui/UnitFormCheckUpdating.h"
#include "update/UnitQueryServerFiles.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace gui;
using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::HttpTestServer;

namespace {

std::string Answer(int files) {
    std::string list;
    for (int i = 0; i < files; ++i) {
        if (i) list += ",";
        list +=
            R"({"fileName":"f)" + std::to_string(i) +
            R"(.dll","clientDir":"","fileVer":"1","fileType":"file","fileSize":10,"fileUrl":"http://x/","remark":""})";
    }
    return R"({"errcode":0,"data":{"updateLog":"[\"新功能\"]","appName":"Varnoke","fileList":[)" +
           list + "]}}";
}

class CheckingWindow : public ::testing::Test {
protected:
    THeadlessBackend* screen = UseHeadlessBackend(1280, 800);
    testsupport::TempDir root{"checking-root"};
    std::string answer = Answer(2);
    HttpTestServer server{[this](const HttpRequest&) { return HttpReply::Text(200, answer); }};

    void SetUp() override {
        OverrideExecutableFolder(root.Path());
        OverrideUpdateServerHost("127.0.0.1:" + std::to_string(server.Port()));
        AppConfig->LoadFromFile(root / "version.ini");
        AppConfig->SetWriteBack(false);
        AppConfig->AgentCode = "AGENT";
    }
    void TearDown() override {
        OverrideUpdateServerHost("");
        OverrideExecutableFolder("");
    }
};

TEST_F(CheckingWindow, FetchesTheListShowsAboutAMomentAndCloses) {
    testsupport::WriteFile(root / "_updater.tmp", "leftover");
    TDownloadItemList list;
    list.push_back(std::make_unique<TDownloadFileItem>()); // emptied when shown
    auto window = std::make_unique<TFormCheckUpdating>();
    window->SetFileList(&list);
    EXPECT_EQ(window->ClientWidth(), 366);
    EXPECT_EQ(window->ClientHeight(), 62);
    EXPECT_TRUE(window->Topmost());
    EXPECT_EQ(window->lblMessage.Caption(), "正在检需要更新的文件,请稍后...");
    // Centred on the screen.
    EXPECT_NEAR(window->Left() + window->Width() / 2, 640, 1);

    auto start = std::chrono::steady_clock::now();
    window->ShowModal();
    auto shown = std::chrono::steady_clock::now() - start;
    EXPECT_GE(shown, std::chrono::milliseconds(1450));
    EXPECT_LT(shown, std::chrono::seconds(10));
    EXPECT_EQ(window->AppName(), "Varnoke");
    EXPECT_EQ(window->UpdateLog(), "[\"新功能\"]");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]->FileName(), "f1.dll");
    EXPECT_FALSE(testsupport::Exists(root / "_updater.tmp"));
    EXPECT_EQ(server.Requests().at(0).body,
              "{\"agentID\":\"AGENT\",\"supportZip\":true,\"appID\":\"Varnoke\"}");
}

TEST_F(CheckingWindow, ACloseRequestBeforeTheEndIsRefused) {
    TDownloadItemList list;
    auto window = std::make_unique<TFormCheckUpdating>();
    window->SetFileList(&list);
    bool asked = false;
    window->OnShow = [&, show = window->OnShow](TWindow* w) {
        show(w);
        // Alt+F4 right after showing: the exchange is still running.
        window->Close();
        asked = true;
        EXPECT_TRUE(window->Visible());
    };
    window->ShowModal();
    EXPECT_TRUE(asked);
    EXPECT_EQ(list.size(), 2u); // the exchange ran to its end
}

TEST_F(CheckingWindow, UnreachableServerEndsLikeNothingToDo) {
    OverrideUpdateServerHost("127.0.0.1:" + std::to_string(HttpTestServer::ClosedPort()));
    TDownloadItemList list;
    auto window = std::make_unique<TFormCheckUpdating>();
    window->SetFileList(&list);
    EXPECT_TRUE(screen->MessageBoxes().empty());
    window->ShowModal();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(window->AppName(), "");
    EXPECT_TRUE(screen->MessageBoxes().empty());
}

TEST_F(CheckingWindow, LooksLikeTheCheckingWindow) {
    TDownloadItemList list;
    auto window = std::make_unique<TFormCheckUpdating>();
    window->SetFileList(&list);
    // Looked at when the exchange has ended, after a second and a half on screen.
    bool looked = false;
    TWndMethod inherited = window->WindowProc();
    window->SetWindowProc([&](TMessage& m) {
        if (m.Msg == WM_QUERY_FINISHED && !looked) {
            looked = true;
            window->PaintWindow();
            TZelSkinImage image = WindowImage(*window);
            // The blue panel (its fill at alpha 192 over the teal window)
            // inside a 3-pixel teal margin.
            EXPECT_EQ(image.Pixel(200, 8), BlendPixel(Color32(clTeal), Color32(12419072, 192)));
            EXPECT_EQ(image.Pixel(1, 30), Color32(clTeal));
            SavePngToFile(image, std::string(ARTEFACT_DIR) + "/checking-window.png");
        }
        inherited(m);
    });
    window->ShowModal();
}

} // namespace
