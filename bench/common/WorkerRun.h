#pragma once
// The download worker over a list of entries, with a main thread that handles
// every notification as the window does (figures and a status text).
#include "config/UnitAppConfig.h"
#include "platform/MainThread.h"
#include "platform/Paths.h"
#include "update/Json.h"
#include "update/UnitDownFileThread.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace bench {

// `folder` ends in '/'; `entries` are list entries as the server sends them.
// Returns 0 when every item was fetched and put in place.
inline int RunDownloadWorker(const std::string& folder, const std::vector<std::string>& entries) {
    platform::OverrideExecutableFolder(folder);
    AppConfig->LoadFromFile(folder + "version.ini");
    AppConfig->SetWriteBack(false);
    TDownloadItemList list;
    for (const std::string& entry : entries) {
        auto item = std::make_unique<TDownloadFileItem>();
        item->BuildFromJson(JsonValue::Parse(entry));
        list.push_back(std::move(item));
    }
    bool done = false, ok = false;
    long long notifications = 0;
    std::string status;
    auto* worker = new TDownFileThread();
    worker->SetFreeOnTerminate(true);
    worker->SetList(&list);
    worker->SetAppRootPath(folder);
    worker->SetOnDownloadItemNotify([&](TDownFileThread* w, TDownloadFileItem* i) {
        ++notifications;
        char text[128];
        std::snprintf(text, sizeof text, "文件大小(KB):%lld,已下载(KB):%lld %d%%",
                      static_cast<long long>(w->TotalSize() / 1024),
                      static_cast<long long>(w->ReceiveTotalSize() / 1024), i->Progress.load());
        status = text;
    });
    worker->SetOnTerminate([&](platform::TThread* t) {
        ok = static_cast<TDownFileThread*>(t)->IsUpgradeSuccessful();
        if (!ok)
            std::fprintf(stderr, "%s\n", static_cast<TDownFileThread*>(t)->ErrorText().c_str());
        done = true;
    });
    worker->Start();
    platform::RunMessageLoopUntil([&] { return done; });
    return ok && notifications > 0 ? 0 : 1;
}

} // namespace bench
