#pragma once
// When a transfer reports its progress, the same for every system's client:
// after a piece of the granularity, or when a slow transfer has not been
// reported for a moment (so that its progress still shows), and at the end.
#include "platform/Http.h"

#include <chrono>

namespace platform {

struct THttpWorkReport {
    using Clock = std::chrono::steady_clock;
    const HttpClient::WorkHandler* handler = nullptr;
    size_t granularity = 0;
    int64_t received = 0;
    int64_t reported = 0;
    Clock::time_point reportedAt;

    void Restart() {
        received = reported = 0;
        reportedAt = Clock::now();
    }
    void Report(bool final) {
        if (!handler || !*handler || received == reported) return;
        auto now = Clock::now();
        if (!final && received - reported < static_cast<int64_t>(granularity) &&
            now - reportedAt < std::chrono::milliseconds(100))
            return;
        reported = received;
        reportedAt = now;
        (*handler)(received);
    }
};

} // namespace platform
