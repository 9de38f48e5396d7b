#pragma once
// The update-list exchange: posts the agent code to the update server and
// gathers the listed files that need work, then tells the caller's window.
#include "platform/Http.h"
#include "platform/Messages.h"
#include "platform/Thread.h"
#include "update/UnitDownloadFileItem.h"

#include <cstdint>
#include <string>

class JsonValue;

constexpr platform::UINT WM_QUERY_FINISHED = platform::WM_USER + 1;

// "http://" + the build-time server address + the list request's path.
std::string UpdateCheckUrl();
// Lets in-process tests point the updater at their own server (host:port);
// an empty text restores the build-time address.
void OverrideUpdateServerHost(const std::string& host);
// The request body for an agent code (inserted JSON-escaped).
std::string BuildCheckData(const std::string& agentCode);

class TQueryServerFiles : public platform::TThread {
public:
    TQueryServerFiles() = default;
    ~TQueryServerFiles() override = default;

    const std::string& ErrorMessage() const { return FErrorMessage; }
    // The answer came but was refused as untrustworthy (see ListTrust.h).
    bool Refused() const { return FRefused; }
    int32_t MinExecutionTime() const { return FMinExecutionTime; }
    void SetMinExecutionTime(int32_t v) { FMinExecutionTime = v; }
    const std::string& CheckUrl() const { return FCheckUrl; }
    void SetCheckUrl(const std::string& v) { FCheckUrl = v; }
    const std::string& CheckData() const { return FCheckData; }
    void SetCheckData(const std::string& v) { FCheckData = v; }
    const std::string& UpdateLog() const { return FUpdateLog; }
    const std::string& AppName() const { return FAppName; }
    TDownloadItemList* DownloadItemList() const { return FDownloadItemList; }
    void SetDownloadItemList(TDownloadItemList* v) { FDownloadItemList = v; }
    // Reads the answer's text into the items (the exchange calls it; so do the fuzzers).
    void ParseResponse(const std::string& text);

    platform::HWND MainWindow = 0;

protected:
    void Execute() override;

private:
    std::string PostRequest(platform::HttpClient& client, const std::string& url,
                            const std::string& data);
    void ParseAnswer(const JsonValue& doc);
    static int64_t AcceptedListSerial();
    void AddFileItem(const JsonValue& entry, TLocalDigests* digests);

    std::string FErrorMessage;
    bool FRefused = false;
    int32_t FMinExecutionTime = 0;
    std::string FCheckUrl;
    std::string FCheckData;
    std::string FUpdateLog;
    std::string FAppName;
    TDownloadItemList* FDownloadItemList = nullptr;
};
