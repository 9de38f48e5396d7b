#pragma once
// The process-wide configuration store: the run-time settings the parts of a
// run hand to each other, and version.ini held in memory.
#include "config/IniDocument.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class TAppConfig {
public:
    TAppConfig();
    virtual ~TAppConfig();
    TAppConfig(const TAppConfig&) = delete;
    TAppConfig& operator=(const TAppConfig&) = delete;

    // Folder of the running executable, with a trailing separator.
    static std::string GetRootPath();
    // Trimmed; a backslash appended unless empty or already there.
    static std::string MakeFolderName(const std::string& folderName);

    // Reads the file into a new document; a missing file gives an empty one.
    // A file that exists but cannot be read also gives an empty document, and
    // LoadError() says why; such a store is never written back.
    void LoadFromFile(const std::string& FileName);
    // Writes the whole document back, replacing the file only once the new
    // contents are safely on disk. Throws platform::FileError.
    void SaveToFile();

    void SetSetion(const std::string& section);
    int32_t ReadInt32(const std::string& itemName, int32_t Default);
    bool ReadBoolean(const std::string& itemName, bool Default);
    std::string ReadString(const std::string& itemName, const std::string& Default);
    std::string ReadCommaString(const std::string& itemName, const std::string& Default);
    void WriteInt32(const std::string& itemName, int32_t value);
    void WriteBoolean(const std::string& itemName, bool value);
    void WriteString(const std::string& itemName, const std::string& value);
    void WriteCommaString(const std::string& itemName, const std::string& value);

    // The same reads and writes naming their section instead of moving the
    // cursor above; these may be called from any thread.
    bool SectionExists(const std::string& section) const;
    int32_t ReadInt32(const std::string& section, const std::string& itemName,
                      int32_t Default) const;
    std::string ReadString(const std::string& section, const std::string& itemName,
                           const std::string& Default) const;
    void WriteInt32(const std::string& section, const std::string& itemName, int32_t value);
    void WriteString(const std::string& section, const std::string& itemName,
                     const std::string& value);

    TIniDocument* INIFile() const { return FINIFile.get(); }
    const std::string& INIFileName() const { return FINIFileName; }

    bool NeedUpdateLauncher() const { return FNeedUpdateLauncher; }
    void SetNeedUpdateLauncher(bool value) { FNeedUpdateLauncher = value; }
    const std::string& ApplicationFileName() const { return FApplicationFileName; }
    void SetApplicationFileName(const std::string& value) { FApplicationFileName = value; }
    const std::string& LoaderName() const { return FLoaderName; }
    void SetLoaderName(const std::string& value) { FLoaderName = value; }

    // Why the file could not be read; empty when it was read or was missing.
    const std::string& LoadError() const { return FLoadError; }
    // Whether the document goes back to disk when the process ends.
    bool WriteBack() const { return FWriteBack; }
    void SetWriteBack(bool value) { FWriteBack = value; }

    std::string AgentCode;

private:
    std::string FINIFileName;
    // Guards the document: the list exchange and the download worker record
    // versions from their own threads.
    mutable std::mutex FLock;
    std::unique_ptr<TIniDocument> FINIFile;
    std::string FCurrentSetion;
    std::string FApplicationFileName;
    bool FNeedUpdateLauncher = false;
    std::string FLoaderName = "Varnoke.exe";
    std::string FLoadError;
    bool FWriteBack = true;
};

// The one store of the process, created and loaded from the root path's
// "version.ini" during static initialisation.
extern TAppConfig* AppConfig;

// Writes AppConfig back once, when it may be; failures are shown to the user.
// Runs at the end of the process at the latest; later calls do nothing.
void FinalizeAppConfig();
