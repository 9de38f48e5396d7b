#pragma once
// One file of the update list: what the server says about it, where it lives
// here, what must be done with it, and its transfer state.
#include "platform/Rtti.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class JsonValue;
class TLocalDigests;

extern const char* const ACTION_IGNORE;  // "忽略"
extern const char* const ACTION_REPLACE; // "替换"
extern const char* const ACTION_NEW;     // "新建"

class TDownloadFileItem : public rtti::TObject {
public:
    TDownloadFileItem() = default;

    const rtti::ClassInfo& GetClassInfo() const override;
    static const rtti::ClassInfo& StaticClassInfo();

    // Fills the item from one fileList element, forms its paths, reads its
    // local version and decides its action. Throws JsonError (member reading)
    // or std::runtime_error (a local file that cannot be read). Digests of
    // local files are taken from `digests` when given.
    void BuildFromJson(const JsonValue& entry, TLocalDigests* digests = nullptr);
    // Fills the item from name=value lines; forms no paths.
    void Build(const std::vector<std::string>& values);

    bool IsLauncher() const;
    bool NeedCacheFile() const { return true; }
    std::string GetFileSizeText() const;
    std::string GetDownloadStatus() const;
    // Records the item as installed: "Ver" and "MD5" under its version key.
    void UpdateLocalFileVersion();
    // The same record with the given values, leaving the item's fields to the
    // main thread (the download worker calls this one).
    void RecordVersion(int32_t version, const std::string& md5) const;

    // The local file an entry names, as BuildFromJson forms it.
    static std::string LocalFileNameFor(const std::string& fileName, const std::string& location);

    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& v) { FFileName = v; }
    std::string DisplayFileName() const;
    const std::string& Location() const { return FLocation; }
    void SetLocation(const std::string& v) { FLocation = v; }
    int32_t FileLen() const { return FFileLen; }
    void SetFileLen(int32_t v) { FFileLen = v; }
    int32_t FileVer() const { return FFileVer; }
    void SetFileVer(int32_t v) { FFileVer = v; }
    const std::string& FileType() const { return FFileType; }
    void SetFileType(const std::string& v) { FFileType = v; }
    const std::string& Remark() const { return FRemark; }
    void SetRemark(const std::string& v) { FRemark = v; }
    int32_t LocalVer() const { return FLocalVer; }
    void SetLocalVer(int32_t v) { FLocalVer = v; }
    const std::string& Action() const { return FAction; }
    void SetAction(const std::string& v) { FAction = v; }
    std::string DownloadStatus() const { return GetDownloadStatus(); }
    std::string FileSizeText() const { return GetFileSizeText(); }

    std::string FileID;
    std::string FilePath;     // version key; for a package also its unpacking folder
    std::string FileFullName; // the local file compared and replaced
    std::string FileUrl;
    std::string FileMD5;
    // Optional: when given, the downloaded content must match it as well.
    std::string FileSha256;
    uint32_t StartTime = 0;
    bool NeedDownload = false;
    bool HasDownload = false;
    // Read by the list's repaint while the worker writes it.
    std::atomic<int32_t> Progress{0};
    int32_t TotalBytes = 0;
    int64_t ReceivedBytes = 0;
    std::string LocalMd5;
    std::string FileTempName;
    void* BindData = nullptr; // the view's row; never used by the item

private:
    void CompareWithLocalFile(TLocalDigests* digests);
    std::string GetLocalFileMD5(TLocalDigests* digests);
    int32_t ReadLocalFileVersion();

    std::string FFileName;
    std::string FLocation;
    int32_t FFileLen = 0;
    int32_t FFileVer = 0;
    std::string FFileType;
    std::string FRemark;
    int32_t FLocalVer = 0;
    std::string FAction;
};

using TDownloadItemList = std::vector<std::unique_ptr<TDownloadFileItem>>;
