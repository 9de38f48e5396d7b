#pragma once
// The main window's figures and texts, kept apart from the window so that
// their rules can be checked on their own.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A progress bar counts in units of `scale` bytes so that its maximum stays
// within 65535.
struct TBarScale {
    int32_t scale = 1;
    int32_t maximum = 0;
};
TBarScale BarScaleFor(int64_t length);

// ",速度:%d B/S" or ",速度:%d KB/S" from the average since the start; empty
// in the first second.
std::string SpeedText(uint32_t nowTick, uint32_t startTick, int64_t receivedBytes);

// "文件大小(KB):%d,已下载(KB):%d%s".
std::string TransferText(int32_t totalBytes, int64_t receivedBytes, const std::string& speed);

// The release notes: each element of a JSON array as one line; nothing when
// the text is empty, not JSON or not an array. Lines read before a failure
// stay.
std::vector<std::string> UpdateLogLines(const std::string& text);
