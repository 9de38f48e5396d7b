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

std::string TAppConfig::GetRootPath() { return platform::ExecutableFolder(); }

std::string TAppConfig::MakeFolderName(const std::string& folderName) {
    std::string s = platform::Trim(folderName);
    if (!s.empty() && s.back() != '\\') s += '\\';
    return s;
}

void TAppConfig::LoadFromFile(const std::string& FileName) {
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
    if (!FINIFile) return;
    platform::WriteFileAtomic(FINIFileName,
                              platform::EncodeText(FINIFile->ToText(), FINIFile->Encoding()));
}

void TAppConfig::SetSetion(const std::string& section) { FCurrentSetion = section; }

int32_t TAppConfig::ReadInt32(const std::string& itemName, int32_t Default) {
    const std::string* v = FINIFile ? FINIFile->FindValue(FCurrentSetion, itemName) : nullptr;
    int32_t result;
    return v && platform::TryStrToInt32(*v, result) ? result : Default;
}

bool TAppConfig::ReadBoolean(const std::string& itemName, bool Default) {
    return ReadInt32(itemName, Default ? 1 : 0) != 0;
}

std::string TAppConfig::ReadString(const std::string& itemName, const std::string& Default) {
    const std::string* v = FINIFile ? FINIFile->FindValue(FCurrentSetion, itemName) : nullptr;
    return v ? *v : Default;
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
    if (!FINIFile) FINIFile = std::make_unique<TIniDocument>();
    FINIFile->WriteString(FCurrentSetion, itemName, value);
}

void TAppConfig::WriteCommaString(const std::string& itemName, const std::string& value) {
    std::string s = value;
    std::replace(s.begin(), s.end(), ',', ';');
    WriteString(itemName, s);
}
