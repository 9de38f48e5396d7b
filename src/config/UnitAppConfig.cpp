#include "config/UnitAppConfig.h"

#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

TAppConfig::TAppConfig() = default;
TAppConfig::~TAppConfig() = default;

std::string TAppConfig::GetRootPath() {
    return platform::ExecutableFolder();
}

std::string TAppConfig::MakeFolderName(const std::string& folderName) {
    std::string s = platform::Trim(folderName);
    if (!s.empty() && s.back() != '\\') s += '\\';
    return s;
}

void TAppConfig::LoadFromFile(const std::string& FileName) {
    std::lock_guard<std::mutex> lock(FLock);
    FINIFileName = FileName;
    FLoadError.clear();
    FINIFile = std::make_unique<TIniDocument>();
    std::string bytes;
    try {
        bytes = platform::ReadWholeFile(FileName);
    } catch (const platform::FileError& e) {
        if (e.Code() != std::errc::no_such_file_or_directory) {
            FLoadError = e.what();
            FWriteBack = false;
        }
        return;
    }
    platform::TextEncoding encoding;
    std::string text = platform::DecodeText(bytes, &encoding);
    FINIFile = std::make_unique<TIniDocument>(text);
    FINIFile->SetEncoding(encoding);
}

void TAppConfig::SaveToFile() {
    std::string bytes;
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (!FINIFile) return;
        bytes = platform::EncodeText(FINIFile->ToText(), FINIFile->Encoding());
    }
    platform::WriteFileAtomic(FINIFileName, bytes);
}

void TAppConfig::SetSetion(const std::string& section) {
    FCurrentSetion = section;
}

int32_t TAppConfig::ReadInt32(const std::string& itemName, int32_t Default) {
    return ReadInt32(FCurrentSetion, itemName, Default);
}

bool TAppConfig::SectionExists(const std::string& section) const {
    std::lock_guard<std::mutex> lock(FLock);
    return FINIFile && FINIFile->SectionExists(section);
}

int32_t TAppConfig::ReadInt32(const std::string& section, const std::string& itemName,
                              int32_t Default) const {
    std::lock_guard<std::mutex> lock(FLock);
    const std::string* v = FINIFile ? FINIFile->FindValue(section, itemName) : nullptr;
    int32_t result;
    return v && platform::TryStrToInt32(*v, result) ? result : Default;
}

std::string TAppConfig::ReadString(const std::string& section, const std::string& itemName,
                                   const std::string& Default) const {
    std::lock_guard<std::mutex> lock(FLock);
    const std::string* v = FINIFile ? FINIFile->FindValue(section, itemName) : nullptr;
    return v ? *v : Default;
}

void TAppConfig::WriteInt32(const std::string& section, const std::string& itemName,
                            int32_t value) {
    WriteString(section, itemName, std::to_string(value));
}

void TAppConfig::WriteString(const std::string& section, const std::string& itemName,
                             const std::string& value) {
    std::lock_guard<std::mutex> lock(FLock);
    if (!FINIFile) FINIFile = std::make_unique<TIniDocument>();
    FINIFile->WriteString(section, itemName, value);
}

bool TAppConfig::ReadBoolean(const std::string& itemName, bool Default) {
    return ReadInt32(itemName, Default ? 1 : 0) != 0;
}

std::string TAppConfig::ReadString(const std::string& itemName, const std::string& Default) {
    return ReadString(FCurrentSetion, itemName, Default);
}

std::string TAppConfig::ReadCommaString(const std::string& itemName, const std::string& Default) {
    std::string s = ReadString(itemName, Default);
    std::replace(s.begin(), s.end(), ';', ',');
    return s;
}

void TAppConfig::WriteInt32(const std::string& itemName, int32_t value) {
    WriteString(itemName, std::to_string(value));
}

void TAppConfig::WriteBoolean(const std::string& itemName, bool value) {
    WriteString(itemName, value ? "1" : "0");
}

void TAppConfig::WriteString(const std::string& itemName, const std::string& value) {
    WriteString(FCurrentSetion, itemName, value);
}

void TAppConfig::WriteCommaString(const std::string& itemName, const std::string& value) {
    std::string s = value;
    std::replace(s.begin(), s.end(), ',', ';');
    WriteString(itemName, s);
}
