#include "update/UnitDownloadFileItem.h"

#include "config/UnitAppConfig.h"
#include "platform/Files.h"
#include "platform/Md5.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "update/Json.h"
#include "update/LocalDigests.h"

const char* const ACTION_IGNORE = "忽略";
const char* const ACTION_REPLACE = "替换";
const char* const ACTION_NEW = "新建";

namespace {

const char* const kLauncherName = "updater.exe";
const char* const kZipType = "zip";

// "%XX" is the byte XX, "%%" a percent sign, "+" a blank; the bytes are UTF-8.
std::string UrlDecode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        auto hex = [](char h) {
            return h >= '0' && h <= '9'   ? h - '0'
                   : h >= 'a' && h <= 'f' ? h - 'a' + 10
                   : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                          : -1;
        };
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 1 < s.size() && s[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (c == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return platform::ToUtf8(out, "UTF-8");
}

// The value of the first "name=value" line of that name (any letter case).
std::string ValueOf(const std::vector<std::string>& lines, const std::string& name) {
    for (const auto& line : lines) {
        size_t eq = line.find('=');
        if (eq != std::string::npos && platform::SameTextAscii(line.substr(0, eq), name))
            return line.substr(eq + 1);
    }
    return "";
}

} // namespace

const rtti::ClassInfo& TDownloadFileItem::StaticClassInfo() {
    static const rtti::ClassInfo info = [] {
        rtti::ClassInfo ci("TDownloadFileItem", nullptr);
        rtti::Props<TDownloadFileItem>{ci}
            .String("FileName", [](const auto& o) { return o.FileName(); })
            .String("DisplayFileName", [](const auto& o) { return o.DisplayFileName(); })
            .String("Location", [](const auto& o) { return o.Location(); })
            .Integer("FileLen", [](const auto& o) { return o.FileLen(); })
            .Integer("FileVer", [](const auto& o) { return o.FileVer(); })
            .String("FileType", [](const auto& o) { return o.FileType(); })
            .String("Remark", [](const auto& o) { return o.Remark(); })
            .Integer("LocalVer", [](const auto& o) { return o.LocalVer(); })
            .String("Action", [](const auto& o) { return o.Action(); })
            .String("DownloadStatus", [](const auto& o) { return o.DownloadStatus(); })
            .String("FileSizeText", [](const auto& o) { return o.FileSizeText(); });
        return ci;
    }();
    return info;
}

const rtti::ClassInfo& TDownloadFileItem::GetClassInfo() const {
    return StaticClassInfo();
}

std::string TDownloadFileItem::LocalFileNameFor(const std::string& fileName,
                                                const std::string& location) {
    const std::string root = TAppConfig::GetRootPath();
    if (platform::LowerCase(fileName) == kLauncherName)
        return root + AppConfig->ApplicationFileName();
    return root + TAppConfig::MakeFolderName(location) + fileName;
}

void TDownloadFileItem::BuildFromJson(const JsonValue& entry, TLocalDigests* digests) {
    FileID = "0";
    SetFileName(ReadRequiredText(entry, "fileName"));
    SetLocation(TAppConfig::MakeFolderName(ReadRequiredText(entry, "clientDir")));
    SetFileVer(TextToInteger(ReadRequiredText(entry, "fileVer")));
    SetFileType(ReadRequiredText(entry, "fileType"));
    SetFileLen(ReadRequiredInteger(entry, "fileSize"));
    FileUrl = ReadRequiredText(entry, "fileUrl");
    FileMD5 = ReadOptionalText(entry, "md5");
    FileSha256 = ReadOptionalText(entry, "sha256");
    SetRemark(ReadRequiredText(entry, "remark"));

    const std::string root = TAppConfig::GetRootPath();
    FileFullName = LocalFileNameFor(FileName(), Location());
    if (IsLauncher()) {
        FilePath = Location() + AppConfig->ApplicationFileName();
        FileTempName = root + "_updater.tmp";
    } else if (FileType() == kZipType) {
        FilePath = root + Location();
        FileTempName = root + "~FileCache.TMP";
    } else {
        FilePath = Location() + FileName();
        FileTempName = root + "~FileCache.TMP";
    }
    SetLocalVer(ReadLocalFileVersion());
    CompareWithLocalFile(digests);
    // Already the listed content, but not recorded as such: a run that put it
    // in place ended before it could write version.ini.
    if (Action() == ACTION_IGNORE && !FileMD5.empty() && LocalMd5 == FileMD5 &&
        LocalVer() != FileVer()) {
        RecordVersion(FileVer(), LocalMd5);
        SetLocalVer(FileVer());
    }
}

void TDownloadFileItem::Build(const std::vector<std::string>& values) {
    FileID = ValueOf(values, "ID");
    SetFileName(UrlDecode(ValueOf(values, "Name")));
    SetLocation(TAppConfig::MakeFolderName(UrlDecode(ValueOf(values, "Location"))));
    SetFileVer(TextToInteger(ValueOf(values, "Version")));
    SetFileType(ValueOf(values, "Type"));
    SetFileLen(TextToInteger(ValueOf(values, "Len")));
    SetRemark(UrlDecode(ValueOf(values, "Remark")));
    SetLocalVer(0);
    CompareWithLocalFile(nullptr);
}

int32_t TDownloadFileItem::ReadLocalFileVersion() {
    if (!AppConfig->SectionExists(FilePath)) AppConfig->WriteInt32(FilePath, "Ver", 0);
    return AppConfig->ReadInt32(FilePath, "Ver", 0);
}

void TDownloadFileItem::CompareWithLocalFile(TLocalDigests* digests) {
    SetAction(ACTION_IGNORE);
    NeedDownload = false;
    if (FileFullName.empty() || !platform::FileExists(FileFullName)) {
        SetAction(ACTION_NEW);
        NeedDownload = true;
        SetLocalVer(0);
        return;
    }
    LocalMd5 = GetLocalFileMD5(digests);
    bool differs = LocalMd5 != FileMD5;
    bool versionMissing = LocalVer() == 0 || FileVer() == 0;
    if (differs && (versionMissing || FileVer() > LocalVer())) {
        SetAction(ACTION_REPLACE);
        NeedDownload = true;
    }
}

std::string TDownloadFileItem::GetLocalFileMD5(TLocalDigests* digests) {
    try {
        return digests ? digests->Get(FileFullName) : platform::Md5File(FileFullName);
    } catch (const platform::FileError& e) {
        throw std::runtime_error("无法读取本地文件 : " + e.Path() + " (" + e.Code().message() +
                                 ")");
    }
}

bool TDownloadFileItem::IsLauncher() const {
    return platform::LowerCase(FileName()) == kLauncherName;
}

std::string TDownloadFileItem::DisplayFileName() const {
    return FileType() == kZipType ? "软件Zip升级包" : FileName();
}

std::string TDownloadFileItem::GetFileSizeText() const {
    int32_t k = FileLen() / 1024 + (FileLen() % 1024 > 0 ? 1 : 0);
    return std::to_string(k) + " KB";
}

std::string TDownloadFileItem::GetDownloadStatus() const {
    if (Action() == ACTION_IGNORE) return "";
    return std::to_string(Progress.load()) + "%";
}

void TDownloadFileItem::UpdateLocalFileVersion() {
    RecordVersion(FileVer(), LocalMd5);
}

void TDownloadFileItem::RecordVersion(int32_t version, const std::string& md5) const {
    AppConfig->WriteInt32(FilePath, "Ver", version);
    AppConfig->WriteString(FilePath, "MD5", md5);
}
