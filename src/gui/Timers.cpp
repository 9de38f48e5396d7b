#include "gui/Timers.h"

#include <chrono>
#include <map>
#include <vector>

namespace gui {

using namespace platform;
namespace {

struct Timer {
    uint32_t interval = 0;
    uint64_t due = 0;
    uint64_t generation = 0;
};

struct TimerTable {
    std::map<std::pair<HWND, WPARAM>, Timer> timers;
    std::function<uint64_t()> clock;
    uint64_t generation = 0;
};

TimerTable& Table() {
    static auto* t = new TimerTable();
    return *t;
}

} // namespace

uint64_t TimerNow() {
    auto& t = Table();
    if (t.clock) return t.clock();
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

void SetTimerClock(std::function<uint64_t()> clock) {
    Table().clock = std::move(clock);
}

void SetTimer(HWND window, WPARAM id, uint32_t intervalMs) {
    auto& t = Table();
    Timer& timer = t.timers[{window, id}];
    timer.interval = intervalMs;
    timer.due = TimerNow() + intervalMs;
    timer.generation = ++t.generation;
}

void KillTimer(HWND window, WPARAM id) {
    Table().timers.erase({window, id});
}

void KillTimers(HWND window) {
    auto& timers = Table().timers;
    for (auto it = timers.lower_bound({window, 0});
         it != timers.end() && it->first.first == window;)
        it = timers.erase(it);
}

bool TimerActive(HWND window, WPARAM id) {
    return Table().timers.count({window, id}) != 0;
}

int FireDueTimers() {
    auto& t = Table();
    uint64_t now = TimerNow();
    std::vector<std::pair<std::pair<HWND, WPARAM>, uint64_t>> due;
    for (auto& [key, timer] : t.timers)
        if (timer.due <= now) due.push_back({key, timer.generation});
    int fired = 0;
    for (auto& [key, generation] : due) {
        // A handler may have killed or restarted a later timer meanwhile.
        auto it = t.timers.find(key);
        if (it == t.timers.end() || it->second.generation != generation) continue;
        it->second.due = now + it->second.interval;
        SendMessageW(key.first, WM_TIMER, key.second, 0);
        ++fired;
    }
    return fired;
}

std::optional<uint64_t> TimeToNextTimer() {
    auto& t = Table();
    if (t.timers.empty()) return std::nullopt;
    uint64_t now = TimerNow();
    uint64_t best = UINT64_MAX;
    for (auto& [key, timer] : t.timers)
        best = std::min(best, timer.due <= now ? 0 : timer.due - now);
    return best;
}

} // namespace gui
