#pragma once
// The main thread's queue of calls. Workers hand calls over to the main
// thread, which runs them while it waits in a message loop; both the windowed
// and the headless loops pump this queue.
#include <chrono>
#include <functional>

namespace platform {

// The thread that ran static initialisation, i.e. the program's main thread.
bool IsMainThread();

// Queues fn to run on the main thread; returns at once.
void PostToMainThread(std::function<void()> fn);
// Runs fn on the main thread and waits until it has run (at once when called
// there). An exception thrown by fn arrives in the caller.
void SendToMainThread(const std::function<void()>& fn);

// Runs the queued calls (main thread only); returns how many ran.
size_t ProcessMainThreadQueue();
// Blocks until a call is queued or the time has passed; true when one is.
bool WaitForMainThreadWork(std::chrono::milliseconds timeout);
// Called whenever a call is queued, from the queuing thread; a windowed loop
// uses it to wake up its event wait.
void SetMainThreadWakeUp(std::function<void()> wakeUp);

// The simplest message loop: pumps the queue until done() holds. True when it
// held, false when the time ran out.
bool RunMessageLoopUntil(const std::function<bool()>& done,
                         std::chrono::milliseconds timeout = std::chrono::milliseconds::max());

} // namespace platform
