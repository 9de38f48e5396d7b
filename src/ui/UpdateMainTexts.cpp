#include "ui/UpdateMainTexts.h"

#include "update/Json.h"

#include <cstdio>

TBarScale BarScaleFor(int64_t length) {
    if (length <= 65535) return {1, static_cast<int32_t>(length)};
    if (length / 1024 <= 65535) return {1024, static_cast<int32_t>(length / 1024)};
    return {10240, static_cast<int32_t>(length / 10240)};
}

std::string SpeedText(uint32_t nowTick, uint32_t startTick, int64_t receivedBytes) {
    uint32_t elapsed = (nowTick - startTick) / 1000;
    if (elapsed < 1) return "";
    int64_t speed = receivedBytes / elapsed;
    char buf[64];
    if (speed < 1024)
        std::snprintf(buf, sizeof buf, ",速度:%lld B/S", static_cast<long long>(speed));
    else
        std::snprintf(buf, sizeof buf, ",速度:%lld KB/S", static_cast<long long>(speed / 1024));
    return buf;
}

std::string TransferText(int32_t totalBytes, int64_t receivedBytes, const std::string& speed) {
    int64_t total = totalBytes;
    int64_t totalKb = total / 1024 + (total % 1024 > 0 ? 1 : 0);
    char buf[128];
    std::snprintf(buf, sizeof buf, "文件大小(KB):%lld,已下载(KB):%lld", static_cast<long long>(totalKb),
                  static_cast<long long>(receivedBytes / 1024));
    return buf + speed;
}

std::vector<std::string> UpdateLogLines(const std::string& text) {
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    try {
        JsonValue doc = JsonValue::Parse(text);
        if (!doc.IsArray()) return lines;
        for (const JsonValue& e : doc.Items())
            lines.push_back(e.IsArray() || e.IsObject()                  ? std::string()
                            : e.GetKind() == JsonValue::Kind::Null       ? std::string("null")
                                                                         : e.Text());
    } catch (const JsonError&) {
    }
    return lines;
}
