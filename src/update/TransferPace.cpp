#include "update/TransferPace.h"

bool TTransferPace::TooSlow(uint64_t nowMs, uint64_t totalBytes) {
    if (FSamples.empty()) {
        FSamples.emplace_back(nowMs, totalBytes);
        return false;
    }
    FSamples.emplace_back(nowMs, totalBytes);
    // Keep one sample at or before the window's start, none older.
    while (FSamples.size() >= 2 && FSamples[1].first + FWindow <= nowMs)
        FSamples.pop_front();
    const auto& [since, bytesThen] = FSamples.front();
    if (nowMs - since < FWindow) return false; // not a full window yet
    // Bytes over the time since that sample, against the floor for that time.
    return (totalBytes - bytesThen) * 1000 < FFloor * (nowMs - since);
}
