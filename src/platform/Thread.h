#pragma once
// The thread class the workers derive from: created suspended and started
// later, optionally freeing itself when its body has returned, with a
// termination handler that runs on the main thread before the object goes.
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class TThread {
public:
    using TNotifyEvent = std::function<void(TThread* Sender)>;

    // Always created suspended: the body may only run once the derived
    // object is complete, so the creator calls Start() after setting it up.
    TThread() = default;
    // Called from another thread, asks the body to stop and waits for it.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Start();
    void Terminate() { FTerminated = true; }
    // Waits for the body (and the termination handler) to finish; on the main
    // thread it keeps running the calls that workers hand over meanwhile. Not
    // for a thread that frees itself.
    void WaitFor();

    bool FreeOnTerminate() const { return FFreeOnTerminate; }
    // Set before Start(), or by the owner that destroys the thread itself.
    void SetFreeOnTerminate(bool value) { FFreeOnTerminate = value; }
    TNotifyEvent OnTerminate() const;
    void SetOnTerminate(TNotifyEvent handler);
    bool Terminated() const { return FTerminated; }
    bool Finished() const { return FFinished; }
    // What escaped Execute, if anything.
    std::exception_ptr FatalException() const { return FFatalException; }

    // Runs fn on the main thread while this thread waits.
    static void Synchronize(const std::function<void()>& fn);

protected:
    virtual void Execute() = 0;

private:
    void Run();
    void ExpectHandOver();

    std::thread FThread;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    bool FStarted = false;
    std::atomic<bool> FFreeOnTerminate{false};
    mutable std::mutex FHandlerMutex;
    TNotifyEvent FOnTerminate;
    std::exception_ptr FFatalException;
    bool FReaperExpects = false;
};

} // namespace platform
