#pragma once
// Window messages between threads, with the Windows names the system uses.
// A window is any message target registered here; the windowing layer
// registers its windows the same way.
#include <cstdint>
#include <functional>

namespace platform {

using HWND = uintptr_t;
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr UINT WM_USER = 0x0400;

using MessageHandler = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;

// Main thread only.
HWND RegisterMessageTarget(MessageHandler handler);
void UnregisterMessageTarget(HWND window);

// Delivers the message on the main thread and waits for its result; from a
// worker it is delivered while the main thread pumps its queue. A window
// that no longer exists gives 0.
LRESULT SendMessageW(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// Queues the message for the main thread; returns at once.
void PostMessageW(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace platform
