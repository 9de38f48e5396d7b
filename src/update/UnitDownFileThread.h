#pragma once
// The download worker: fetches the items that need it one after another,
// puts each in place and reports progress to the window on the main thread.
#include "platform/Files.h"
#include "platform/Http.h"
#include "platform/Thread.h"
#include "update/UnitDownloadFileItem.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class TDownFileThread;

// What the window learns of the run: the worker keeps its own and hands a
// copy over with each event; the item's and the worker's figures the window
// reads are written from it on the main thread only.
struct TDownloadRecord {
    // The current item's transfer.
    int32_t progress = 0;
    int32_t totalBytes = 0;
    int64_t receivedBytes = 0;
    uint32_t startTime = 0;
    // The run's.
    int32_t fileTotal = 0;
    int32_t fileCount = 0;
    int64_t totalSize = 0;
    int64_t receiveTotalSize = 0;
};

using TDownloadEvent = std::function<void(TDownFileThread* sender, TDownloadFileItem* downItem)>;

class TDownFileThread : public platform::TThread {
public:
    TDownFileThread() = default;
    // Destroyed while its thread runs: nothing more reaches the window, the
    // connection is closed and the thread has ended before anything is freed.
    ~TDownFileThread() override;

    TDownloadItemList* List() const { return FList; }
    void SetList(TDownloadItemList* v) { FList = v; }
    const std::string& AppRootPath() const { return FAppRootPath; }
    void SetAppRootPath(const std::string& v) { FAppRootPath = v; }
    const TDownloadEvent& OnDownloadItemNotify() const { return FOnDownloadItemNotify; }
    void SetOnDownloadItemNotify(TDownloadEvent v) { FOnDownloadItemNotify = std::move(v); }
    const TDownloadEvent& OnDownloadItemComplete() const { return FOnDownloadItemComplete; }
    void SetOnDownloadItemComplete(TDownloadEvent v) { FOnDownloadItemComplete = std::move(v); }
    const TDownloadEvent& OnDownloadItemError() const { return FOnDownloadItemError; }
    void SetOnDownloadItemError(TDownloadEvent v) { FOnDownloadItemError = std::move(v); }
    bool Abort() const { return FAbort; }
    // Setting it also closes the connection at once, so that a stalled
    // transfer stops too.
    void SetAbort(bool v);
    const std::string& ErrorText() const { return FErrorText; }
    bool NeedUpdateLauncher() const { return FNeedUpdateLauncher; }
    int32_t DownloadFileTotal() const { return FDownloadFileTotal; }
    void SetDownloadFileTotal(int32_t v) { FDownloadFileTotal = v; }
    int32_t DownloadFileCount() const { return FDownloadFileCount; }
    void SetDownloadFileCount(int32_t v) { FDownloadFileCount = v; }
    int64_t TotalSize() const { return FTotalSize; }
    int64_t ReceiveTotalSize() const { return FReceiveTotalSize; }

    bool IsUpgradeSuccessful() const { return FDownloadFileCount == FDownloadFileTotal; }

    // A PEM file of certificates to trust besides the system's (tests, and
    // servers with a private certificate authority).
    void SetTrustedCaFile(const std::string& path) { FTrustedCaFile = path; }
    // A transfer that averages less than this over the window fails.
    void SetSlowFloor(uint64_t bytesPerSecond, uint64_t windowMs) {
        FSlowFloor = bytesPerSecond;
        FSlowWindowMs = windowMs;
    }

    // 32 uppercase hexadecimal digits of a fresh random GUID.
    static std::string NewRequestToken();

protected:
    void Execute() override;

private:
    bool DownloadOneFile(TDownloadFileItem* item);
    bool ApplyDownloadedFile(TDownloadFileItem* item, platform::TTempFile& file,
                             const std::string& md5);
    bool CreateFileFolders(TDownloadFileItem* item);
    void ClientWorkBegin(int64_t announced);
    void ClientWork(int64_t count);
    void DoDownloadItemNotify();
    void DoDownloadItemComplete();
    void DoDownloadItemError();
    // Hands the record over on the main thread, with `apply` for the item,
    // then calls the handler.
    void Raise(const TDownloadEvent TDownFileThread::*event, bool evenWhenAborted,
               const std::function<void(TDownloadFileItem*)>& apply = {});
    void Publish(const TDownloadRecord& record);

    TDownloadItemList* FList = nullptr;
    std::string FAppRootPath;
    TDownloadEvent FOnDownloadItemNotify;
    TDownloadEvent FOnDownloadItemComplete;
    TDownloadEvent FOnDownloadItemError;
    std::atomic<bool> FAbort{false};
    std::string FErrorText;
    bool FNeedUpdateLauncher = false;
    // As the window last learnt them (main thread only, once started).
    int32_t FDownloadFileTotal = 0;
    int32_t FDownloadFileCount = 0;
    int64_t FTotalSize = 0;
    int64_t FReceiveTotalSize = 0;
    TDownloadRecord FWork;   // the worker's own
    std::mutex FClientMutex; // the window's stop request reaches the client from the main thread
    std::unique_ptr<platform::HttpClient> FHttpClient;
    TDownloadFileItem* FCurrentItem = nullptr;
    int64_t FHasDownloadSize = 0; // the worker's own
    std::string FAppliedMd5;      // the worker's own: the last file put in place
    std::string FTrustedCaFile;
    uint64_t FSlowFloor = 1024;
    uint64_t FSlowWindowMs = 60000;
};
