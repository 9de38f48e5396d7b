#include "update/UnitQueryServerFiles.h"

#include "config/UnitAppConfig.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "update/Json.h"
#include "update/ListTrust.h"
#include "update/LocalDigests.h"

#include <charconv>
#include <chrono>
#include <memory>
#include <thread>

#ifndef UPDATER_SERVER_HOST
#define UPDATER_SERVER_HOST "127.0.0.1:8731"
#endif

namespace {
std::string& HostOverride() {
    static auto* host = new std::string();
    return *host;
}
} // namespace

void OverrideUpdateServerHost(const std::string& host) {
    HostOverride() = host;
}

std::string UpdateCheckUrl() {
    const std::string& host =
        HostOverride().empty() ? std::string(UPDATER_SERVER_HOST) : HostOverride();
    return "http://" + host + "/Service/UserService.ashx?GetFileList";
}

std::string BuildCheckData(const std::string& agentCode) {
    return "{\"agentID\":\"" + JsonEscape(agentCode) +
           "\",\"supportZip\":true,\"appID\":\"Varnoke\"}";
}

void TQueryServerFiles::Execute() {
    FErrorMessage.clear();
    FRefused = false;
    auto client = std::make_unique<platform::HttpClient>();
    const uint32_t start = platform::GetTickCount();
    try {
        const std::string answer = PostRequest(*client, FCheckUrl, FCheckData);
        // The signature covers the exact bytes sent, before any decoding.
        const std::string& key = ListPublicKey();
        if (!key.empty())
            CheckListSignature(key, answer, client->ResponseHeader(kListSignatureHeader));
        // Whatever charset the answer names, its body is UTF-8.
        std::string text = platform::ToUtf8(answer, "UTF-8");
        if (!text.empty()) ParseResponse(text);
    } catch (const ListTrustError& e) {
        FErrorMessage = e.what();
        FRefused = true;
    } catch (const std::exception& e) {
        FErrorMessage = e.what();
    }
    const uint32_t elapsed = platform::GetTickCount() - start;
    if (static_cast<int64_t>(FMinExecutionTime) > static_cast<int64_t>(elapsed))
        std::this_thread::sleep_for(std::chrono::milliseconds(FMinExecutionTime - elapsed));
    client.reset();
    platform::SendMessageW(MainWindow, WM_QUERY_FINISHED, 0, 0);
}

std::string TQueryServerFiles::PostRequest(platform::HttpClient& client, const std::string& url,
                                           const std::string& data) {
    client.SetHeaders({{"Content-Type", "application/json; charset=UTF-8"},
                       {"Accept", "*/*"},
                       {"Connection", "Keep-Alive"}});
    client.SetReadTimeout(10000);
    client.SetCloseAfterRequest(true);
    return client.Post(url, data);
}

void TQueryServerFiles::ParseResponse(const std::string& text) {
    JsonValue doc = JsonValue::Parse(text);
    if (!doc.IsObject()) throw JsonError("更新列表不是JSON对象");
    const bool signedList = !ListPublicKey().empty();
    int64_t accepted = 0, serial = 0;
    if (signedList) {
        accepted = AcceptedListSerial();
        serial = CheckListFreshness(doc, platform::UnixTime(), accepted);
        CheckListDigests(doc);
    }
    ParseAnswer(doc);
    // Remembered only once the whole answer was taken.
    if (serial > accepted)
        AppConfig->WriteString(kListTrustSection, "Serial", std::to_string(serial));
}

int64_t TQueryServerFiles::AcceptedListSerial() {
    const std::string text = AppConfig->ReadString(kListTrustSection, "Serial", "0");
    int64_t serial = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), serial);
    // A damaged record must not open the door to old lists: refuse everything
    // until the publisher's next list is accepted by hand (docs/SECURITY.md).
    if (ec != std::errc() || end != text.data() + text.size())
        throw ListTrustError("version.ini 中记录的更新列表序号已损坏: " + text);
    return serial;
}

void TQueryServerFiles::ParseAnswer(const JsonValue& doc) {
    if (ReadRequiredInteger(doc, "errcode") != 0) {
        FErrorMessage = ReadRequiredText(doc, "errmsg");
        return;
    }
    const JsonValue* data = doc.Find("data");
    if (!data) return;
    if (!data->IsObject()) throw JsonError("更新列表的data不是JSON对象");
    FUpdateLog = ReadRequiredText(*data, "updateLog");
    FAppName = ReadRequiredText(*data, "appName");
    if (const JsonValue* loader = data->Find("loaderName");
        loader && loader->GetKind() != JsonValue::Kind::Null && !loader->IsObject() &&
        !loader->IsArray())
        AppConfig->SetLoaderName(platform::Trim(loader->Text()));
    const JsonValue* list = data->Find("fileList");
    if (!list) return;
    if (!list->IsArray()) throw JsonError("更新列表的fileList不是JSON数组");

    // Hash the local files of the list on every core ahead of building the
    // items; the items still take their digests one by one, in list order.
    std::vector<std::string> local;
    for (const JsonValue& entry : list->Items()) {
        if (!entry.IsObject()) break;
        std::string name = ReadOptionalText(entry, "fileName");
        if (name.empty()) continue;
        std::string path =
            TDownloadFileItem::LocalFileNameFor(name, ReadOptionalText(entry, "clientDir"));
        if (platform::FileExists(path)) local.push_back(path);
    }
    TLocalDigests digests(std::move(local));

    for (const JsonValue& entry : list->Items()) {
        if (!entry.IsObject()) throw JsonError("更新列表的文件项不是JSON对象");
        AddFileItem(entry, &digests);
    }
}

void TQueryServerFiles::AddFileItem(const JsonValue& entry, TLocalDigests* digests) {
    auto item = std::make_unique<TDownloadFileItem>();
    item->BuildFromJson(entry, digests);
    if (item->Action() == ACTION_IGNORE) return;
    FDownloadItemList->push_back(std::move(item));
}
