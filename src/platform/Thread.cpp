#include "platform/Thread.h"

#include "platform/MainThread.h"

namespace platform {

TThread::~TThread() {
    if (FThread.joinable()) {
        if (FThread.get_id() == std::this_thread::get_id()) {
            FThread.detach();
        } else {
            Terminate();
            WaitFor();
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
    FThread = std::thread([this] { Run(); });
}

void TThread::WaitFor() {
    if (!FThread.joinable() || FThread.get_id() == std::this_thread::get_id()) return;
    if (IsMainThread()) RunMessageLoopUntil([this] { return FFinished.load(); });
    FThread.join();
}

void TThread::Synchronize(const std::function<void()>& fn) { SendToMainThread(fn); }

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
        });
    }
    FFinished = true;
    if (FFreeOnTerminate) delete this;
}

} // namespace platform
