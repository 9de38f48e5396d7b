#pragma once
// A download worker run against the tests' own servers, in a temporary
// installation.
#include "HttpTestServer.h"
#include "UpdateTestSupport.h"
#include "platform/MainThread.h"
#include "platform/Md5.h"
#include "update/Json.h"
#include "update/UnitDownFileThread.h"

#include <gmock/gmock.h>
#include <regex>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::HttpTestServer;

struct Event {
    std::string kind; // notify, complete, error
    std::string file;
    int progress;
    bool operator==(const Event&) const = default;
};

inline void PrintTo(const Event& e, std::ostream* os) {
    *os << e.kind << ":" << e.file << ":" << e.progress;
}

struct RunResult {
    std::vector<Event> events;
    std::string errorText;
    int total = 0, count = 0;
    int64_t totalSize = 0;
    bool successful = false;
    bool needLauncher = false;
};

class DownloadWorker : public InstallationTest {
protected:
    TDownloadItemList list;
    // Called from the notify handler; may set Abort.
    std::function<void(TDownFileThread*, TDownloadFileItem*)> onNotify;
    std::string trustedCa;
    std::pair<uint64_t, uint64_t> slowFloor{1024, 60000};

    TDownloadFileItem* Add(const std::string& url, const std::string& name,
                           const std::string& clientDir = "", const std::string& type = "file",
                           const std::string& md5 = "", int fileSize = 1 << 26) {
        // By default a size no body here reaches: most tests are not about it.
        std::string json = R"({"fileName":")" + name + R"(","clientDir":")" + clientDir +
                           R"(","fileVer":"3","fileType":")" + type + R"(","fileSize":)" +
                           std::to_string(fileSize) + R"(,"fileUrl":")" + url + R"(","md5":")" +
                           md5 + R"(","remark":""})";
        auto item = std::make_unique<TDownloadFileItem>();
        item->BuildFromJson(JsonValue::Parse(json));
        list.push_back(std::move(item));
        return list.back().get();
    }

    RunResult Run() {
        RunResult r;
        bool done = false;
        auto* worker = new TDownFileThread();
        worker->SetFreeOnTerminate(true);
        worker->SetList(&list);
        worker->SetAppRootPath(root.Path());
        if (!trustedCa.empty()) worker->SetTrustedCaFile(trustedCa);
        worker->SetSlowFloor(slowFloor.first, slowFloor.second);
        worker->SetOnDownloadItemNotify([&](TDownFileThread* w, TDownloadFileItem* item) {
            r.events.push_back({"notify", item->FileName(), item->Progress});
            if (onNotify) onNotify(w, item);
        });
        worker->SetOnDownloadItemComplete([&](TDownFileThread*, TDownloadFileItem* item) {
            r.events.push_back({"complete", item->FileName(), item->Progress});
        });
        worker->SetOnDownloadItemError([&](TDownFileThread*, TDownloadFileItem* item) {
            r.events.push_back({"error", item->FileName(), item->Progress});
        });
        worker->SetOnTerminate([&](platform::TThread* t) {
            auto* w = static_cast<TDownFileThread*>(t);
            r.errorText = w->ErrorText();
            r.total = w->DownloadFileTotal();
            r.count = w->DownloadFileCount();
            r.totalSize = w->TotalSize();
            r.successful = w->IsUpgradeSuccessful();
            r.needLauncher = w->NeedUpdateLauncher();
            done = true;
        });
        worker->Start();
        EXPECT_TRUE(platform::RunMessageLoopUntil([&] { return done; }, std::chrono::seconds(60)));
        return r;
    }

    static std::vector<std::string> Targets(HttpTestServer& server) {
        std::vector<std::string> out;
        for (const auto& r : server.Requests())
            out.push_back(r.target.substr(0, r.target.find('?')));
        return out;
    }
};

// Serves "/<name>" with the body "content of <name>", except what `special` answers.
inline HttpTestServer::Handler
Files(std::function<std::optional<HttpReply>(const std::string&)> special = {}) {
    return [special](const HttpRequest& req) {
        std::string path = req.target.substr(0, req.target.find('?'));
        if (special)
            if (auto r = special(path)) return *r;
        return HttpReply::Text(200, "content of " + path.substr(1));
    };
}
