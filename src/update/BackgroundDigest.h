#pragma once
// A digest taken on a thread of its own while the data streams past, so that
// a download is not held up by hashing. Memory in flight is bounded.
#include "platform/Digest.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TBackgroundDigest {
public:
    explicit TBackgroundDigest(platform::DigestKind kind = platform::DigestKind::Md5,
                               size_t maxInFlight = 16 << 20);
    ~TBackgroundDigest();
    TBackgroundDigest(const TBackgroundDigest&) = delete;
    TBackgroundDigest& operator=(const TBackgroundDigest&) = delete;

    // Copies the bytes and returns; waits only when too much is in flight.
    void Update(const char* data, size_t size);
    // Waits for the bytes handed over and returns the digest text.
    std::string HexDigest();

private:
    void Work();
    void HandOver();
    void TakeSpare();

    platform::Digest FDigest;
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::deque<std::string> FQueue;
    std::string FPending; // small pieces gathered before they are handed over
    std::vector<std::string> FSpare;
    size_t FInFlight = 0;
    size_t FMaxInFlight;
    bool FClosing = false;
    std::thread FThread;
};
