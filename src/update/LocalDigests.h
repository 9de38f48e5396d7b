#pragma once
// Digests of local files taken ahead of need on several cores, handed out
// in any order: asking for a file that no helper has reached yet hashes it
// on the asking thread.
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

class TLocalDigests {
public:
    // Starts hashing the files (native paths) on up to `threads` helpers.
    explicit TLocalDigests(std::vector<std::string> paths, unsigned threads = 0);
    // Stops the helpers; a file being hashed is left between two blocks.
    ~TLocalDigests();
    TLocalDigests(const TLocalDigests&) = delete;
    TLocalDigests& operator=(const TLocalDigests&) = delete;

    // The digest text of a file; throws what hashing it threw.
    std::string Get(const std::string& path);

private:
    enum class State { Pending, Running, Done };
    struct Job {
        std::string path;
        State state = State::Pending;
        std::string digest;
        std::exception_ptr error;
    };
    void Work();
    void RunJob(Job& job);

    std::vector<Job> FJobs;
    std::unordered_map<std::string, size_t> FIndex;
    std::mutex FMutex;
    std::condition_variable FDone;
    size_t FNext = 0;
    std::atomic<bool> FStop{false};
    std::vector<std::thread> FThreads;
};
