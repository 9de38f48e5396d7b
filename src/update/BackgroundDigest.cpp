#include "update/BackgroundDigest.h"

namespace {
constexpr size_t kPiece = 1 << 20;
}

TBackgroundDigest::TBackgroundDigest(platform::DigestKind kind, size_t maxInFlight)
    : FDigest(kind), FMaxInFlight(maxInFlight) {}

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
    if (FPending.capacity() < kPiece) TakeSpare();
    // A piece is handed over before it would have to grow (and be copied).
    if (!FPending.empty() && FPending.size() + size > FPending.capacity()) HandOver();
    FPending.append(data, size);
    if (FPending.size() >= kPiece) HandOver();
}

void TBackgroundDigest::HandOver() {
    // Started with the first whole piece: a small file is digested at the
    // end by the caller, which spares a thread for each of many small files.
    if (!FThread.joinable()) FThread = std::thread([this] { Work(); });
    {
        std::unique_lock<std::mutex> lock(FMutex);
        FChanged.wait(
            lock, [&] { return FInFlight + FPending.size() <= FMaxInFlight || FQueue.empty(); });
        FInFlight += FPending.size();
        FQueue.push_back(std::move(FPending));
        FPending = std::string();
    }
    FChanged.notify_all();
    TakeSpare();
}

// Pieces the digest is done with are used again: fresh megabytes cost a page
// fault every few kilobytes, a noticeable part of the time at loopback speed.
void TBackgroundDigest::TakeSpare() {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        if (!FSpare.empty()) {
            FPending = std::move(FSpare.back());
            FSpare.pop_back();
        }
    }
    if (FPending.capacity() < kPiece) FPending.reserve(kPiece + (512 << 10));
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
            piece.clear();
            FSpare.push_back(std::move(piece));
        }
        FChanged.notify_all();
    }
}

std::string TBackgroundDigest::HexDigest() {
    if (!FThread.joinable()) {
        FDigest.Update(FPending.data(), FPending.size());
        FPending.clear();
        return FDigest.HexDigest();
    }
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
