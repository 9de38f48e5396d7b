#pragma once
// Window timers by (window, id): WM_TIMER arrives on the main thread when a
// message loop runs. Main thread only, like the windows themselves. The clock can be replaced, so
// tests drive timers with a fake clock.
#include "gui/WinApi.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace gui {

// (Re)starts timer `id` of the window with the interval in milliseconds.
void SetTimer(HWND window, WPARAM id, uint32_t intervalMs);
void KillTimer(HWND window, WPARAM id);
// Every timer of the window.
void KillTimers(HWND window);
bool TimerActive(HWND window, WPARAM id);

// Milliseconds of the timer clock: the steady clock unless replaced.
uint64_t TimerNow();
// Replaces the clock (an empty function restores the steady clock).
void SetTimerClock(std::function<uint64_t()> clock);

// Delivers WM_TIMER for every timer that is due (main thread); returns how
// many fired. A timer fires at most once per call.
int FireDueTimers();
// Milliseconds until the next timer is due (0 when one is), none without timers.
std::optional<uint64_t> TimeToNextTimer();

} // namespace gui
