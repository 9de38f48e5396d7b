#include "update/TransferPace.h"

#include <algorithm>

bool TTransferPace::TooSlow(uint64_t nowMs, uint64_t totalBytes) {
    if (FSamples.empty()) {
        FSamples.emplace_back(nowMs, totalBytes);
        return false;
    }
    // Samples a sixty-fourth of the window apart are enough to judge it; one
    // per data piece would pile up millions in a fast minute.
    if (nowMs - FSamples.back().first >= std::max<uint64_t>(FWindow / 64, 1))
        FSamples.emplace_back(nowMs, totalBytes);
    // Keep one sample at or before the window's start, none older.
    while (FSamples.size() >= 2 && FSamples[1].first + FWindow <= nowMs)
        FSamples.pop_front();
    const auto& [since, bytesThen] = FSamples.front();
    if (nowMs - since < FWindow) return false; // not a full window yet
    // Bytes over the time since that sample, against the floor for that time.
    return (totalBytes - bytesThen) * 1000 < FFloor * (nowMs - since);
}
