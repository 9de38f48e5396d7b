#pragma once
#include <cstdint>

namespace platform {
// Milliseconds since an arbitrary start, wrapping at 2^32 like the Windows
// tick counter; differences are taken as unsigned 32-bit values.
uint32_t GetTickCount();
// The same clock with 64 bits, for durations that must not wrap.
uint64_t GetTickCount64();
// The wall clock: seconds since 1970-01-01 UTC.
int64_t UnixTime();
} // namespace platform
