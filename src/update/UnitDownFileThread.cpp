#include "update/UnitDownFileThread.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Md5.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "update/BackgroundDigest.h"
#include "update/TransferPace.h"
#include "update/zip/ZipArchive.h"

#include <algorithm>
#include <cerrno>
#include <random>

namespace {

const char* const kConnectionRefused = "目标主机拒绝连接";
const char* const kNotFound = "主机找不到目标资源";
const char* const kIncomplete = "文件下载未完成";
const char* const kTooLong = "文件数据超过了列表中的大小";
const char* const kTooSlow = "下载速度过慢 (一分钟内平均不足 1 KB/s)";
const char* const kFolderFailed = "创建文件夹失败";
const char* const kCopyFailed = "文件复制失败";

// A name from the update list must stay inside the installation. It is
// joined to the root path, so a leading separator stays inside; ".." parts,
// drive letters and streams (any ':') climb out.
bool ClimbsOut(const std::string& relative) {
    if (relative.find(':') != std::string::npos) return true;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find_first_of("\\/", start);
        if (end == std::string::npos) end = relative.size();
        if (platform::Trim(relative.substr(start, end - start)) == "..") return true;
        start = end + 1;
    }
    return false;
}

// Where a transfer is written. A plain file goes to its temporary name and is
// renamed over its target. A package is unpacked from its temporary name. A
// new updater appears at its temporary name only whole, for the hand-off.
std::unique_ptr<platform::TTempFile> OpenTransferFile(const TDownloadFileItem* item) {
    if (item->FileType() == "zip")
        return std::make_unique<platform::TTempFile>(item->FileTempName, item->FileTempName);
    if (item->IsLauncher()) return std::make_unique<platform::TTempFile>(item->FileTempName);
    return std::make_unique<platform::TTempFile>(item->FileFullName, item->FileTempName);
}

} // namespace

TDownFileThread::~TDownFileThread() {
    if (Finished()) return;
    // Nothing more may reach the window, which is going away.
    FOnDownloadItemNotify = nullptr;
    FOnDownloadItemComplete = nullptr;
    FOnDownloadItemError = nullptr;
    SetOnTerminate(nullptr);
    SetFreeOnTerminate(false);
    SetAbort(true);
    WaitFor();
}

void TDownFileThread::SetAbort(bool v) {
    FAbort = v;
    if (!v) return;
    std::lock_guard<std::mutex> lock(FClientMutex);
    if (FHttpClient) FHttpClient->Disconnect();
}

std::string TDownFileThread::NewRequestToken() {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    uint64_t a = rng(), b = rng();
    // A version 4 GUID: four bits of version, two of variant.
    a = (a & ~0xF000ull) | 0x4000ull;
    b = (b & ~(0xC000ull << 48)) | (0x8000ull << 48);
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (uint64_t v : {a, b})
        for (int shift = 60; shift >= 0; shift -= 4)
            out += hex[(v >> shift) & 15];
    return out;
}

void TDownFileThread::Execute() {
    FNeedUpdateLauncher = false;
    FAbort = false;
    {
        auto client = std::make_unique<platform::HttpClient>();
        if (!FTrustedCaFile.empty()) client->SetExtraCaFile(FTrustedCaFile);
        std::lock_guard<std::mutex> lock(FClientMutex);
        FHttpClient = std::move(client);
    }
    try {
        FWork = TDownloadRecord{};
        FHasDownloadSize = 0;
        for (const auto& item : *FList) {
            if (item->NeedDownload && !item->HasDownload) {
                FWork.fileTotal += 1;
                FWork.totalSize += item->FileLen();
            }
        }
        for (const auto& ptr : *FList) {
            TDownloadFileItem* item = ptr.get();
            if (!item->NeedDownload || item->HasDownload) continue;
            if (DownloadOneFile(item)) {
                FWork.fileCount += 1;
                FHasDownloadSize += item->FileLen();
                DoDownloadItemComplete();
            } else {
                DoDownloadItemError();
                break;
            }
        }
    } catch (const std::exception& e) {
        FErrorText = e.what();
    }
    // The last figures reach the window even when no event carried them.
    const TDownloadRecord last = FWork;
    Synchronize([this, last] { Publish(last); });
}

bool TDownFileThread::DownloadOneFile(TDownloadFileItem* item) {
    FCurrentItem = item;
    if (item->Action() == ACTION_IGNORE) return true;
    // Refused before a byte is fetched: nothing of it could be put in place.
    if (ClimbsOut(item->Location()) || ClimbsOut(item->FileName())) {
        FErrorText = "文件路径不安全 : " + item->Location() + item->FileName();
        return false;
    }
    try {
        FWork.progress = 0;
        FWork.totalBytes = 0;
        FWork.receivedBytes = 0;
        const std::string url = item->FileUrl + "?" + NewRequestToken();
        std::unique_ptr<platform::TTempFile> file = OpenTransferFile(item);
        TBackgroundDigest digest;
        // Taken beside the MD5 only when the list gives one to match.
        std::unique_ptr<TBackgroundDigest> sha256;
        if (!item->FileSha256.empty())
            sha256 = std::make_unique<TBackgroundDigest>(platform::DigestKind::Sha256);
        FWork.startTime = platform::GetTickCount();
        DoDownloadItemNotify();
        // The digest is taken from the same bytes as they are written, on a
        // thread of its own, which spares reading the whole file back.
        // Nothing beyond the size the list announced is written: a body
        // without end must not fill the disk.
        const uint64_t limit = static_cast<uint64_t>(std::max<int32_t>(item->FileLen(), 0));
        uint64_t written = 0;
        bool tooLong = false;
        bool tooSlow = false;
        TTransferPace pace(FSlowFloor, FSlowWindowMs);
        try {
            FHttpClient->Get(
                url,
                [&](long, int64_t announced) { ClientWorkBegin(announced < 0 ? 0 : announced); },
                [&](const char* data, size_t size) {
                    if (size > limit - written) {
                        tooLong = true;
                        return false;
                    }
                    written += size;
                    file->Write(data, size);
                    digest.Update(data, size);
                    if (sha256) sha256->Update(data, size);
                    // A byte arrives at least every read time-out, so the
                    // floor is judged within that much of being crossed.
                    tooSlow = pace.TooSlow(platform::GetTickCount64(), written);
                    return !tooSlow;
                },
                [&](int64_t count) { ClientWork(count); });
        } catch (const platform::HttpError&) {
            if (!tooLong && !tooSlow) throw;
            FErrorText = tooLong ? kTooLong : kTooSlow;
            return false;
        }
        const std::string md5 = digest.HexDigest();

        if (static_cast<int64_t>(FWork.totalBytes) != FWork.receivedBytes) {
            FErrorText = kIncomplete;
            return false;
        }
        // What arrived must be what the server announced, or nothing is put in place.
        if (!item->FileMD5.empty() && !platform::SameTextAscii(item->FileMD5, md5)) {
            FErrorText = "文件校验失败(MD5不一致)";
            return false;
        }
        if (sha256 && !platform::SameTextAscii(item->FileSha256, sha256->HexDigest())) {
            FErrorText = "文件校验失败(SHA-256不一致)";
            return false;
        }
        // What was received stays at its temporary name when it cannot be put
        // in place; only a new updater appears there whole or not at all.
        if (!item->IsLauncher()) file->Keep();
        return ApplyDownloadedFile(item, *file, md5);
    } catch (const platform::HttpError& e) {
        using Kind = platform::HttpError::Kind;
        if (e.GetKind() == Kind::Socket && e.OsCode() == ECONNREFUSED) {
            FErrorText = kConnectionRefused;
            FWork.progress = 0;
        } else if (e.GetKind() == Kind::Status && e.Status() == 404) {
            FErrorText = kNotFound;
            FWork.progress = 0;
        } else if (e.GetKind() == Kind::Status) {
            FErrorText = platform::ToUtf8(e.Body(), "UTF-8");
        } else if (e.GetKind() == Kind::Incomplete) {
            FErrorText = kIncomplete;
        } else if (e.GetKind() == Kind::Aborted) {
            FErrorText = "下载已被取消";
        } else {
            FErrorText = e.what();
        }
    } catch (const std::exception& e) {
        FErrorText = e.what();
    }
    return false;
}

bool TDownFileThread::ApplyDownloadedFile(TDownloadFileItem* item, platform::TTempFile& file,
                                          const std::string& md5) {
    if (!CreateFileFolders(item)) {
        FErrorText = kFolderFailed;
        return false;
    }
    // Only exactly "zip" is a package: the item's paths were formed that way.
    if (item->FileType() == "zip") {
        file.Close();
        zip::ExtractZipTo(file.Path(), item->FilePath);
        platform::DeleteFile(file.Path());
    } else if (item->IsLauncher()) {
        file.Commit(true);
        platform::SetExecutable(item->FileTempName);
        FNeedUpdateLauncher = true;
    } else {
        try {
            file.Commit(false);
        } catch (const platform::FileError&) {
            FErrorText = kCopyFailed;
            return false;
        }
    }
    item->RecordVersion(item->FileVer(), md5);
    FAppliedMd5 = md5;
    return true;
}

bool TDownFileThread::CreateFileFolders(TDownloadFileItem* item) {
    const std::string& location = item->Location();
    if (location.empty()) return true;
    std::string path = FAppRootPath;
    size_t start = 0;
    while (start < location.size()) {
        size_t end = location.find('\\', start);
        if (end == std::string::npos) end = location.size();
        std::string part = location.substr(start, end - start);
        start = end + 1;
        if (platform::Trim(part).empty()) continue;
        path += part + "\\";
        if (!platform::DirectoryExists(path) && !platform::CreateFolder(path)) return false;
    }
    return true;
}

void TDownFileThread::ClientWorkBegin(int64_t announced) {
    FWork.progress = 0;
    // The length must fit the item's 32-bit field; a larger one cannot complete.
    FWork.totalBytes = static_cast<int32_t>(announced);
    FWork.receivedBytes = 0;
    DoDownloadItemNotify();
}

void TDownFileThread::ClientWork(int64_t count) {
    if (FAbort) {
        std::lock_guard<std::mutex> lock(FClientMutex);
        FHttpClient->Disconnect();
        return;
    }
    FWork.receivedBytes = count;
    FWork.receiveTotalSize = FHasDownloadSize + count;
    if (FWork.totalBytes > 0) FWork.progress = static_cast<int32_t>(count * 100 / FWork.totalBytes);
    DoDownloadItemNotify();
}

void TDownFileThread::Publish(const TDownloadRecord& record) {
    FDownloadFileTotal = record.fileTotal;
    FDownloadFileCount = record.fileCount;
    FTotalSize = record.totalSize;
    FReceiveTotalSize = record.receiveTotalSize;
}

void TDownFileThread::Raise(const TDownloadEvent TDownFileThread::*event, bool evenWhenAborted,
                            const std::function<void(TDownloadFileItem*)>& apply) {
    const TDownloadRecord record = FWork;
    TDownloadFileItem* item = FCurrentItem;
    Synchronize([&] {
        Publish(record);
        if (item) {
            item->Progress = record.progress;
            item->TotalBytes = record.totalBytes;
            item->ReceivedBytes = record.receivedBytes;
            item->StartTime = record.startTime;
            if (apply) apply(item);
        }
        // Read on the main thread, where the window may have cleared it.
        const TDownloadEvent& handler = this->*event;
        if (handler && (evenWhenAborted || !FAbort)) handler(this, item);
    });
}

void TDownFileThread::DoDownloadItemNotify() {
    Raise(&TDownFileThread::FOnDownloadItemNotify, false);
}
void TDownFileThread::DoDownloadItemComplete() {
    const std::string md5 = FAppliedMd5;
    Raise(&TDownFileThread::FOnDownloadItemComplete, false, [&](TDownloadFileItem* item) {
        item->HasDownload = true;
        item->LocalMd5 = md5;
        item->SetLocalVer(item->FileVer());
    });
}
void TDownFileThread::DoDownloadItemError() {
    Raise(&TDownFileThread::FOnDownloadItemError, true,
          [](TDownloadFileItem* item) { item->HasDownload = false; });
}
