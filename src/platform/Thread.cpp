#include "platform/Thread.h"

#include "platform/MainThread.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

// A thread that frees itself cannot join itself, and a detached one may still
// be running its own exit (the libraries' per-thread state is freed there)
// when the process ends. Such threads are handed over here and joined by the
// next Start() or when the process exits. One whose end the main thread has
// already seen is waited for at exit too, as the main thread may be quicker
// to return than the worker is to hand itself over. The reaper is never
// destroyed, so a worker still running at exit can hand itself over safely.
class TThreadReaper {
public:
    void Expect() {
        std::lock_guard<std::mutex> lock(FMutex);
        ++FExpected;
    }
    void Add(std::thread thread, bool expected) {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FThreads.push_back(std::move(thread));
            if (expected) --FExpected;
        }
        FHandedOver.notify_all();
    }
    // The owner joined it after all.
    void Forget() {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            --FExpected;
        }
        FHandedOver.notify_all();
    }
    void JoinAll() {
        std::vector<std::thread> threads;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            threads.swap(FThreads);
        }
        for (auto& thread : threads)
            thread.join();
    }
    void JoinAllAtExit() {
        {
            // Bounded all the same: the hand-over is a few instructions away.
            std::unique_lock<std::mutex> lock(FMutex);
            FHandedOver.wait_for(lock, std::chrono::seconds(5), [this] { return FExpected == 0; });
        }
        JoinAll();
    }

private:
    std::mutex FMutex;
    std::condition_variable FHandedOver;
    int FExpected = 0;
    std::vector<std::thread> FThreads;
};

TThreadReaper& Reaper() {
    static TThreadReaper* reaper = [] {
        auto* created = new TThreadReaper;
        std::atexit([] { Reaper().JoinAllAtExit(); });
        return created;
    }();
    return *reaper;
}

} // namespace

TThread::~TThread() {
    if (FThread.joinable()) {
        if (FThread.get_id() == std::this_thread::get_id()) {
            Reaper().Add(std::move(FThread), FReaperExpects);
        } else {
            Terminate();
            WaitFor();
            if (FReaperExpects) Reaper().Forget();
        }
    }
}

TThread::TNotifyEvent TThread::OnTerminate() const {
    std::lock_guard<std::mutex> lock(FHandlerMutex);
    return FOnTerminate;
}

void TThread::SetOnTerminate(TNotifyEvent handler) {
    std::lock_guard<std::mutex> lock(FHandlerMutex);
    FOnTerminate = std::move(handler);
}

void TThread::Start() {
    if (FStarted) return;
    FStarted = true;
    Reaper().JoinAll();
    FThread = std::thread([this] { Run(); });
}

void TThread::WaitFor() {
    if (!FThread.joinable() || FThread.get_id() == std::this_thread::get_id()) return;
    if (IsMainThread()) RunMessageLoopUntil([this] { return FFinished.load(); });
    FThread.join();
}

void TThread::Synchronize(const std::function<void()>& fn) {
    SendToMainThread(fn);
}

void TThread::Run() {
    try {
        Execute();
    } catch (...) {
        FFatalException = std::current_exception();
    }
    if (OnTerminate()) {
        Synchronize([this] {
            // Read again on the main thread: the handler may have been removed meanwhile.
            if (auto handler = OnTerminate()) handler(this);
            if (FFreeOnTerminate) ExpectHandOver();
        });
    }
    FFinished = true;
    if (FFreeOnTerminate) delete this;
}

void TThread::ExpectHandOver() {
    if (FReaperExpects) return;
    FReaperExpects = true;
    Reaper().Expect();
}

} // namespace platform
