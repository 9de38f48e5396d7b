// The update server's list answer, read the way the list exchange reads it:
// bytes taken as UTF-8, the JSON read into download items, each item hashing
// its local file and reading its version from version.ini. A JsonError or
// another std::exception is the exchange failing, as it may; anything else
// (a crash, a sanitizer report, a hang) is a finding, and so is a
// version.ini that would not read back as the items left it.
#include "FuzzTargets.h"
#include "config/IniDocument.h"
#include "config/UnitAppConfig.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "update/UnitQueryServerFiles.h"

#include <filesystem>
#include <fstream>

namespace fuzz {
namespace {

void Put(const std::string& root, const std::string& name, const std::string& data) {
    std::filesystem::path path(root + name);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

// A small installation the list's names can meet: the application, files
// at the top and in sub-folders, and version.ini recording some of them.
const std::string& Installation() {
    static const std::string root = [] {
        const std::string& r = ScratchFolder("update-list");
        Put(r, "Updater", "#!/bin/sh\n");
        Put(r, "Varnoke.exe", "MZ application");
        Put(r, "a.dll", "a");
        Put(r, "plugins/b.dll", "b");
        Put(r, "Plugins/数据/c.dat", "");
        Put(r, "version.ini",
            "[a.dll]\r\nVer=3\r\nMD5=0cc175b9c0f1b6a831c399e269772661\r\n"
            "[plugins\\b.dll]\r\nVer=x\r\n");
        platform::OverrideExecutableFolder(r);
        return r;
    }();
    return root;
}

// The store goes back to disk when the run ends, whatever the list gave; the
// next run must find in it what this one held, each item's version under
// the item's own section name.
void CheckVersionsReadBack(const TDownloadItemList& list) {
    const TIniDocument& held = *AppConfig->INIFile();
    const std::string text = held.ToText();
    const TIniDocument next(text);
    if (next.ToText() != text) throw Finding("version.ini would read back otherwise");
    for (const auto& item : list) {
        const std::string* before = held.FindValue(item->FilePath, "Ver");
        const std::string* after = next.FindValue(item->FilePath, "Ver");
        if (!before || !after || *before != *after)
            throw Finding("the version of " + item->FilePath + " would read back otherwise");
    }
}

} // namespace

int UpdateList(const uint8_t* data, size_t size) {
    const std::string& root = Installation();
    // Every answer meets the same store: items add their version sections.
    AppConfig->LoadFromFile(root + "version.ini");
    AppConfig->SetWriteBack(false);
    AppConfig->SetApplicationFileName("Updater");
    AppConfig->SetLoaderName("Varnoke.exe");

    // As the exchange receives it: whatever the headers say, UTF-8.
    const std::string text =
        platform::ToUtf8(std::string_view(reinterpret_cast<const char*>(data), size), "UTF-8");
    TDownloadItemList list;
    TQueryServerFiles query;
    query.SetDownloadItemList(&list);
    bool read = true;
    try {
        query.ParseResponse(text);
    } catch (const std::exception&) {
        read = false;
    }
    CheckVersionsReadBack(list);
    if (!read) return 0;
    for (const auto& item : list) {
        // Ignored items are never listed; the rest all need their download.
        if (item->Action() == ACTION_IGNORE || !item->NeedDownload)
            throw Finding("an item listed without work: " + item->FileName());
        // What the window shows of it.
        item->DisplayFileName();
        item->GetFileSizeText();
        item->GetDownloadStatus();
    }
    return 0;
}

} // namespace fuzz
