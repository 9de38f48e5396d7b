// The main window on a headless screen against a loopback server: the state
// of its buttons, its status line, closing it while a download runs.
#include "HttpTestServer.h"
#include "TestSupport.h"
#include "config/UnitAppConfig.h"
#include "gui/HeadlessBackend.h"
#include "platform/Md5.h"
#include "platform/Paths.h"
#include "ui/UnitFormUpdateMain.h"
#include "update/UnitQueryServerFiles.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace gui;
using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::HttpTestServer;

namespace {

class MainWindow : public ::testing::Test {
protected:
    THeadlessBackend* screen = UseHeadlessBackend(1280, 800);
    testsupport::TempDir root{"main-root"};
    std::map<std::string, std::string> files; // served path -> body
    std::vector<std::string> listed;          // file names in the list, in order
    std::string missing;                      // a path answered with 404
    std::string stalled;                      // a path whose body never ends
    std::string updateLog = R"([\"第一行\", 2, {}])";
    HttpTestServer server{[this](const HttpRequest& req) {
        std::string path = req.target.substr(0, req.target.find('?'));
        if (req.method == "POST") return HttpReply::Text(200, Answer());
        if (path == missing) return HttpReply::Text(404, "");
        HttpReply r = HttpReply::Text(200, files[path]);
        if (path == stalled) r.stallAfter = 10;
        return r;
    }};

    void SetUp() override {
        OverrideExecutableFolder(root.Path());
        OverrideUpdateServerHost("127.0.0.1:" + std::to_string(server.Port()));
        AppConfig->LoadFromFile(root / "version.ini");
        AppConfig->SetWriteBack(false);
        AppConfig->SetNeedUpdateLauncher(false);
        AppConfig->SetApplicationFileName("updater");
        screen->ClearMessageBoxes();
    }
    void TearDown() override {
        OverrideUpdateServerHost("");
        OverrideExecutableFolder("");
    }
    void Serve(const std::string& name, const std::string& body) {
        files["/" + name] = body;
        listed.push_back(name);
    }
    std::string Answer() {
        std::string list;
        for (const auto& name : listed) {
            if (!list.empty()) list += ",";
            list += R"({"fileName":")" + name +
                    R"(","clientDir":"","fileVer":"2","fileType":"file","fileSize":)" +
                    std::to_string(files["/" + name].size()) + R"(,"fileUrl":")" +
                    server.Url("/" + name) + R"(","remark":""})";
        }
        return R"({"errcode":0,"data":{"updateLog":")" + updateLog +
               R"(","appName":"Varnoke 测试","fileList":[)" + list + "]}}";
    }
    bool Pump(const std::function<bool()>& done,
              std::chrono::seconds bound = std::chrono::seconds(30)) {
        auto deadline = std::chrono::steady_clock::now() + bound;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            Application()->HandleMessage();
        }
        return true;
    }
    void ClickOn(TControl& c) {
        POINT p = c.ClientToScreen({c.Width() / 2, c.Height() / 2});
        screen->Click(p.x, p.y);
    }
};

TEST_F(MainWindow, NothingToDoClosesBeforeItIsShown) {
    TFormUpdateMain form;
    EXPECT_EQ(form.ModalResult(), mrCancel);
    EXPECT_FALSE(form.Visible());
}

TEST_F(MainWindow, ReadyDownloadingAndDone) {
    Serve("a.dll", "first");
    Serve("b.dll", "second");
    Serve("c.dll", "third");
    TFormUpdateMain form;
    ASSERT_NE(form.ModalResult(), mrCancel);
    form.Show();
    Application()->ProcessMessages();
    // Ready.
    EXPECT_TRUE(form.btnStartUpdating.Enabled());
    EXPECT_FALSE(form.btnCancel.Enabled());
    EXPECT_TRUE(form.btnClose.Enabled());
    EXPECT_TRUE(form.Topmost());
    EXPECT_EQ(form.lblAppName.Caption(), "Varnoke 测试");
    EXPECT_TRUE(form.txtLog.SoftBevel());
    ASSERT_EQ(form.txtLog.LineCount(), 3);
    EXPECT_EQ(form.txtLog.Line(0), "第一行");
    EXPECT_EQ(form.txtLog.Line(1), "2");
    EXPECT_EQ(form.txtLog.Line(2), "");
    EXPECT_EQ(form.lblCommand.Caption(), "一共有[3]个文件需要更新");
    EXPECT_EQ(form.vstFiles.Grid().TotalCount(), 3);

    ClickOn(form.btnStartUpdating);
    EXPECT_FALSE(form.btnStartUpdating.Enabled());
    EXPECT_TRUE(form.btnCancel.Enabled());
    ASSERT_TRUE(Pump([&] { return !form.Visible(); }));
    // Done: the last status line is the count in blue; the window closed itself.
    EXPECT_EQ(form.lblCommand.Caption(), " 3/3");
    EXPECT_EQ(form.lblCommand.Font().Color(), 16711680);
    EXPECT_EQ(testsupport::ReadFile(root / "c.dll"), "third");
    EXPECT_FALSE(AppConfig->NeedUpdateLauncher());
    // Every row was selected in turn, and stays so.
    EXPECT_EQ(form.vstFiles.Grid().SelectedCount(), 3);
}

TEST_F(MainWindow, AFailedItemShowsTheErrorInRedAndCanBeStartedAgain) {
    Serve("a.dll", "first");
    Serve("b.dll", "second");
    missing = "/b.dll";
    TFormUpdateMain form;
    form.Show();
    form.btnStartUpdating.Click();
    ASSERT_TRUE(Pump([&] { return !form.Downloading(); }));
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.lblCommand.Caption(), " 下载[b.dll]发生错误:主机找不到目标资源");
    EXPECT_EQ(form.lblCommand.Font().Color(), 255);
    EXPECT_TRUE(form.btnStartUpdating.Enabled());
    EXPECT_FALSE(form.btnCancel.Enabled());

    missing.clear();
    form.btnStartUpdating.Click();
    ASSERT_TRUE(Pump([&] { return !form.Visible(); }));
    EXPECT_EQ(form.lblCommand.Caption(), " 1/1");
}

TEST_F(MainWindow, ClosingWhileDownloadingAsksAndStopsTheWorkerOnYes) {
    Serve("big.dll", std::string(1 << 20, 'x'));
    stalled = "/big.dll";
    TFormUpdateMain form;
    form.Show();
    form.btnStartUpdating.Click();
    ASSERT_TRUE(Pump([&] { return server.RequestCount() >= 2; }));

    screen->SetQuestionAnswer(MessageResult::No);
    form.Close();
    ASSERT_EQ(screen->MessageBoxes().size(), 1u);
    EXPECT_EQ(screen->MessageBoxes()[0].title, "提示");
    EXPECT_EQ(screen->MessageBoxes()[0].text,
              "更新正在进行中,如果强行退出某些更新不会成功,確定退出吗？");
    EXPECT_TRUE(form.Visible());
    EXPECT_TRUE(form.Downloading());

    screen->SetQuestionAnswer(MessageResult::Yes);
    auto start = std::chrono::steady_clock::now();
    form.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(form.Downloading());
    EXPECT_FALSE(testsupport::Exists(root / "big.dll"));
}

TEST_F(MainWindow, CancelStopsTheWorkerAndDisablesItself) {
    Serve("big.dll", std::string(1 << 20, 'x'));
    stalled = "/big.dll";
    TFormUpdateMain form;
    form.Show();
    form.btnStartUpdating.Click();
    ASSERT_TRUE(Pump([&] { return server.RequestCount() >= 2; }));
    form.btnCancel.Click();
    EXPECT_FALSE(form.btnCancel.Enabled());
    ASSERT_TRUE(Pump([&] { return !form.Downloading(); }));
    EXPECT_TRUE(form.btnStartUpdating.Enabled());
    EXPECT_EQ(form.lblCommand.Font().Color(), 255);
    EXPECT_TRUE(form.Visible());
}

TEST_F(MainWindow, ANewUpdaterCopyStaysWantedAfterALaterWorker) {
    testsupport::WriteFile(root / "updater", "running updater");
    Serve("updater.exe", "\x7f"
                         "ELF new updater");
    Serve("b.dll", "second");
    missing = "/b.dll";
    TFormUpdateMain form;
    form.Show();
    form.btnStartUpdating.Click();
    ASSERT_TRUE(Pump([&] { return !form.Downloading(); }));
    EXPECT_TRUE(AppConfig->NeedUpdateLauncher());
    missing.clear();
    form.btnStartUpdating.Click(); // this worker stores no updater copy
    ASSERT_TRUE(Pump([&] { return !form.Visible(); }));
    EXPECT_TRUE(AppConfig->NeedUpdateLauncher());
    EXPECT_EQ(testsupport::ReadFile(root / "_updater.tmp"), "\x7f"
                                                            "ELF new updater");
}

} // namespace
