#pragma once
// The slow-retrieval floor: a transfer that keeps trickling (one byte every
// few seconds never trips the read time-out) is judged by its average over
// a sliding window.
#include <cstdint>
#include <deque>
#include <utility>

class TTransferPace {
public:
    TTransferPace(uint64_t floorBytesPerSecond, uint64_t windowMs)
        : FFloor(floorBytesPerSecond), FWindow(windowMs) {}

    // The running count of bytes at a moment (milliseconds of a steady
    // clock); true once the last full window brought less than the floor.
    bool TooSlow(uint64_t nowMs, uint64_t totalBytes);

private:
    uint64_t FFloor;
    uint64_t FWindow;
    // (time, total) samples, a sixty-fourth of the window apart at least; the
    // oldest lies at or before the window's start.
    std::deque<std::pair<uint64_t, uint64_t>> FSamples;
};
