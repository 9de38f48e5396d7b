#pragma once
// One list exchange run the way the checking window runs it, against a
// loopback server, with what it ended with.
#include "HttpTestServer.h"
#include "UpdateTestSupport.h"
#include "platform/Clock.h"
#include "platform/MainThread.h"
#include "update/UnitQueryServerFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline const char* const kPath = "/Service/UserService.ashx?GetFileList";

struct Outcome {
    std::string error, updateLog, appName;
    std::vector<std::string> files;
    uint32_t finishedAfterMs = 0;
    int finishedCount = 0;
    bool terminated = false;
};

// Runs one exchange the way the checking window does and pumps the main
// thread's queue until the worker has gone.
inline Outcome RunExchange(const std::string& url, const std::string& data, int minTime,
                           TDownloadItemList& list) {
    Outcome out;
    TQueryServerFiles* query = new TQueryServerFiles();
    const uint32_t start = platform::GetTickCount();
    platform::HWND window = platform::RegisterMessageTarget(
        [&](platform::UINT msg, platform::WPARAM, platform::LPARAM) -> platform::LRESULT {
            if (msg != WM_QUERY_FINISHED) return 0;
            out.finishedAfterMs = platform::GetTickCount() - start;
            out.finishedCount++;
            out.error = query->ErrorMessage();
            out.updateLog = query->UpdateLog();
            out.appName = query->AppName();
            return 0;
        });
    query->SetFreeOnTerminate(true);
    query->SetOnTerminate([&](platform::TThread*) { out.terminated = true; });
    query->SetCheckUrl(url);
    query->SetCheckData(data);
    query->SetMinExecutionTime(minTime);
    query->SetDownloadItemList(&list);
    query->MainWindow = window;
    query->Start();
    EXPECT_TRUE(
        platform::RunMessageLoopUntil([&] { return out.terminated; }, std::chrono::seconds(60)));
    platform::UnregisterMessageTarget(window);
    for (const auto& item : list)
        out.files.push_back(item->FileName());
    return out;
}

class QueryExchange : public InstallationTest {
protected:
    Outcome Exchange(testsupport::HttpTestServer& server, int minTime = 0) {
        return RunExchange(server.Url(kPath), BuildCheckData("AGENT"), minTime, list);
    }
    TDownloadItemList list;
};
