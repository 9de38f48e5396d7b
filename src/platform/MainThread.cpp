#include "platform/MainThread.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <future>
#include <mutex>
#include <thread>

namespace platform {
namespace {

struct Queue {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<std::function<void()>> calls;
    std::function<void()> wakeUp;
};

// Never destroyed: workers may still hand over calls while the process ends.
Queue& TheQueue() {
    static auto* q = new Queue();
    return *q;
}

const std::thread::id gMainThread = std::this_thread::get_id();

} // namespace

bool IsMainThread() { return std::this_thread::get_id() == gMainThread; }

void PostToMainThread(std::function<void()> fn) {
    Queue& q = TheQueue();
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        q.calls.push_back(std::move(fn));
        wake = q.wakeUp;
    }
    q.cv.notify_all();
    if (wake) wake();
}

void SendToMainThread(const std::function<void()>& fn) {
    if (IsMainThread()) {
        fn();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    PostToMainThread([&] {
        try {
            fn();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    finished.get();
}

size_t ProcessMainThreadQueue() {
    Queue& q = TheQueue();
    size_t ran = 0;
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            if (q.calls.empty()) return ran;
            call = std::move(q.calls.front());
            q.calls.pop_front();
        }
        call();
        ++ran;
    }
}

bool WaitForMainThreadWork(std::chrono::milliseconds timeout) {
    Queue& q = TheQueue();
    std::unique_lock<std::mutex> lock(q.mutex);
    return q.cv.wait_for(lock, timeout, [&] { return !q.calls.empty(); });
}

void SetMainThreadWakeUp(std::function<void()> wakeUp) {
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    q.wakeUp = std::move(wakeUp);
}

bool RunMessageLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        ProcessMainThreadQueue();
        if (done()) return true;
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        if (timeout != std::chrono::milliseconds::max() && elapsed >= timeout) return false;
        WaitForMainThreadWork(std::chrono::milliseconds(10));
    }
}

} // namespace platform
