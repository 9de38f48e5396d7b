#include "update/LocalDigests.h"

#include "platform/Md5.h"

#include <algorithm>

TLocalDigests::TLocalDigests(std::vector<std::string> paths, unsigned threads) {
    for (auto& p : paths) {
        if (FIndex.count(p)) continue;
        FIndex.emplace(p, FJobs.size());
        FJobs.push_back(Job{std::move(p), State::Pending, {}, nullptr});
    }
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    threads = std::min<unsigned>(threads, static_cast<unsigned>(FJobs.size()));
    // One file needs no helper: the asking thread hashes it.
    if (FJobs.size() < 2) threads = 0;
    for (unsigned i = 0; i < threads; ++i) FThreads.emplace_back([this] { Work(); });
}

TLocalDigests::~TLocalDigests() {
    FStop = true;
    for (auto& t : FThreads) t.join();
}

void TLocalDigests::RunJob(Job& job) {
    std::string digest;
    std::exception_ptr error;
    try {
        digest = platform::Md5File(job.path, &FStop);
    } catch (...) {
        error = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(FMutex);
    job.digest = std::move(digest);
    job.error = error;
    job.state = State::Done;
    FDone.notify_all();
}

void TLocalDigests::Work() {
    for (;;) {
        Job* job = nullptr;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            while (FNext < FJobs.size() && FJobs[FNext].state != State::Pending) ++FNext;
            if (FStop || FNext >= FJobs.size()) return;
            job = &FJobs[FNext];
            job->state = State::Running;
        }
        RunJob(*job);
    }
}

std::string TLocalDigests::Get(const std::string& path) {
    auto it = FIndex.find(path);
    if (it == FIndex.end()) return platform::Md5File(path);
    Job& job = FJobs[it->second];
    std::unique_lock<std::mutex> lock(FMutex);
    if (job.state == State::Pending) {
        job.state = State::Running;
        lock.unlock();
        RunJob(job);
        lock.lock();
    }
    FDone.wait(lock, [&] { return job.state == State::Done; });
    if (job.error) std::rethrow_exception(job.error);
    return job.digest;
}
