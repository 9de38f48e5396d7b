#include "update/BackgroundDigest.h"

namespace {
constexpr size_t kPiece = 1 << 20;
}

TBackgroundDigest::TBackgroundDigest(platform::DigestKind kind, size_t maxInFlight)
    : FDigest(kind), FMaxInFlight(maxInFlight) {
    FThread = std::thread([this] { Work(); });
}

TBackgroundDigest::~TBackgroundDigest() {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FClosing = true;
        FQueue.clear();
    }
    FChanged.notify_all();
    if (FThread.joinable()) FThread.join();
}

void TBackgroundDigest::Update(const char* data, size_t size) {
    if (FPending.capacity() < kPiece) FPending.reserve(kPiece + (64 << 10));
    FPending.append(data, size);
    if (FPending.size() < kPiece) return;
    std::unique_lock<std::mutex> lock(FMutex);
    FChanged.wait(lock,
                  [&] { return FInFlight + FPending.size() <= FMaxInFlight || FQueue.empty(); });
    FInFlight += FPending.size();
    FQueue.push_back(std::move(FPending));
    FPending.clear();
    FChanged.notify_all();
}

void TBackgroundDigest::Work() {
    for (;;) {
        std::string piece;
        {
            std::unique_lock<std::mutex> lock(FMutex);
            FChanged.wait(lock, [&] { return FClosing || !FQueue.empty(); });
            if (FQueue.empty()) return;
            piece = std::move(FQueue.front());
            FQueue.pop_front();
        }
        FDigest.Update(piece.data(), piece.size());
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FInFlight -= piece.size();
        }
        FChanged.notify_all();
    }
}

std::string TBackgroundDigest::HexDigest() {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        if (!FPending.empty()) {
            FInFlight += FPending.size();
            FQueue.push_back(std::move(FPending));
            FPending.clear();
        }
        FClosing = true;
    }
    FChanged.notify_all();
    FThread.join();
    return FDigest.HexDigest();
}
