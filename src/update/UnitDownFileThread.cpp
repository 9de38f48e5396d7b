#include "update/UnitDownFileThread.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Md5.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "update/BackgroundDigest.h"
#include "update/zip/ZipArchive.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kConnectionRefused = "目标主机拒绝连接";
const char* const kNotFound = "主机找不到目标资源";
const char* const kIncomplete = "文件下载未完成";
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

// The temporary file of a transfer, created anew: another process that still
// holds an older file of that name keeps its own copy.
int CreateTempFile(const std::string& path) {
    ::unlink(path.c_str());
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
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
        FDownloadFileTotal = 0;
        FDownloadFileCount = 0;
        FTotalSize = 0;
        FReceiveTotalSize = 0;
        FHasDownloadSize = 0;
        for (const auto& item : *FList) {
            if (item->NeedDownload && !item->HasDownload) {
                FDownloadFileTotal += 1;
                FTotalSize += item->FileLen();
            }
        }
        for (const auto& ptr : *FList) {
            TDownloadFileItem* item = ptr.get();
            if (!item->NeedDownload || item->HasDownload) continue;
            if (DownloadOneFile(item)) {
                FDownloadFileCount += 1;
                FHasDownloadSize += item->FileLen();
                item->HasDownload = true;
                DoDownloadItemComplete();
            } else {
                item->HasDownload = false;
                DoDownloadItemError();
                break;
            }
        }
    } catch (const std::exception& e) {
        FErrorText = e.what();
    }
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
        item->HasDownload = false;
        item->Progress = 0;
        const std::string url = item->FileUrl + "?" + NewRequestToken();
        const std::string tempName = platform::NativePath(item->FileTempName);
        int fd = CreateTempFile(tempName);
        if (fd < 0)
            throw platform::FileError(tempName, std::error_code(errno, std::generic_category()));
        TBackgroundDigest digest;
        try {
            DoDownloadItemNotify();
            item->StartTime = platform::GetTickCount();
            // The digest is taken from the same bytes as they are written, on a
            // thread of its own, which spares reading the whole file back.
            FHttpClient->Get(
                url,
                [&](long, int64_t announced) { ClientWorkBegin(announced < 0 ? 0 : announced); },
                [&](const char* data, size_t size) {
                    while (size > 0) {
                        ssize_t n = ::write(fd, data, size);
                        if (n < 0) {
                            if (errno == EINTR) continue;
                            throw platform::FileError(
                                tempName, std::error_code(errno, std::generic_category()));
                        }
                        digest.Update(data, static_cast<size_t>(n));
                        data += n;
                        size -= static_cast<size_t>(n);
                    }
                    return true;
                },
                [&](int64_t count) { ClientWork(count); });
            item->LocalMd5 = digest.HexDigest();
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (::close(fd) != 0)
            throw platform::FileError(tempName, std::error_code(errno, std::generic_category()));

        if (static_cast<int64_t>(item->TotalBytes) != item->ReceivedBytes) {
            FErrorText = kIncomplete;
            return false;
        }
        // What arrived must be what the server announced, or nothing is put in place.
        if (!item->FileMD5.empty() && !platform::SameTextAscii(item->FileMD5, item->LocalMd5)) {
            FErrorText = "文件校验失败(MD5不一致)";
            return false;
        }
        return ApplyDownloadedFile(item);
    } catch (const platform::HttpError& e) {
        using Kind = platform::HttpError::Kind;
        if (e.GetKind() == Kind::Socket && e.OsCode() == ECONNREFUSED) {
            FErrorText = kConnectionRefused;
            item->Progress = 0;
        } else if (e.GetKind() == Kind::Status && e.Status() == 404) {
            FErrorText = kNotFound;
            item->Progress = 0;
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

bool TDownFileThread::ApplyDownloadedFile(TDownloadFileItem* item) {
    if (!CreateFileFolders(item)) {
        FErrorText = kFolderFailed;
        return false;
    }
    // Only exactly "zip" is a package: the item's paths were formed that way.
    if (item->FileType() == "zip") {
        ExtractZipPackage(item);
        item->SetLocalVer(item->FileVer());
        item->UpdateLocalFileVersion();
        return true;
    }
    if (item->IsLauncher()) {
        platform::SetExecutable(platform::NativePath(item->FileTempName));
        FNeedUpdateLauncher = true;
        item->SetLocalVer(item->FileVer());
        item->UpdateLocalFileVersion();
        return true;
    }
    if (MoveTempFile(item->FileTempName, item->FileFullName)) {
        item->SetLocalVer(item->FileVer());
        item->UpdateLocalFileVersion();
        return true;
    }
    FErrorText = kCopyFailed;
    return false;
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
        std::string native = platform::NativePath(path);
        if (!platform::DirectoryExists(native) && !platform::CreateFolder(native)) return false;
    }
    return true;
}

bool TDownFileThread::MoveTempFile(const std::string& source, const std::string& target) {
    return !platform::MoveFileOver(platform::NativePath(source), platform::NativePath(target));
}

void TDownFileThread::ExtractZipPackage(TDownloadFileItem* item) {
    const std::string package = platform::NativePath(item->FileTempName);
    zip::ExtractZipTo(package, item->FilePath);
    platform::DeleteFile(package);
}

void TDownFileThread::ClientWorkBegin(int64_t announced) {
    FCurrentItem->Progress = 0;
    // The length must fit the item's 32-bit field; a larger one cannot complete.
    FCurrentItem->TotalBytes = static_cast<int32_t>(announced);
    FCurrentItem->ReceivedBytes = 0;
    DoDownloadItemNotify();
}

void TDownFileThread::ClientWork(int64_t count) {
    if (FAbort) {
        std::lock_guard<std::mutex> lock(FClientMutex);
        FHttpClient->Disconnect();
        return;
    }
    FCurrentItem->ReceivedBytes = count;
    FReceiveTotalSize = FHasDownloadSize + count;
    if (FCurrentItem->TotalBytes > 0)
        FCurrentItem->Progress = static_cast<int32_t>(count * 100 / FCurrentItem->TotalBytes);
    DoDownloadItemNotify();
}

void TDownFileThread::Raise(const TDownloadEvent TDownFileThread::*event, bool evenWhenAborted) {
    Synchronize([&] {
        // Read on the main thread, where the window may have cleared it.
        const TDownloadEvent& handler = this->*event;
        if (handler && (evenWhenAborted || !FAbort)) handler(this, FCurrentItem);
    });
}

void TDownFileThread::DoDownloadItemNotify() {
    Raise(&TDownFileThread::FOnDownloadItemNotify, false);
}
void TDownFileThread::DoDownloadItemComplete() {
    Raise(&TDownFileThread::FOnDownloadItemComplete, false);
}
void TDownFileThread::DoDownloadItemError() {
    Raise(&TDownFileThread::FOnDownloadItemError, true);
}
