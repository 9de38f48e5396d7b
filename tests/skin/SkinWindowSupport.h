#pragma once
// Shared by the skinned-window tests: the headless screen, a fake timer
// clock, and windows set up like the updater's two windows.
#include "gui/Controls.h"
#include "gui/HeadlessBackend.h"
#include "gui/Timers.h"
#include "skin/ZelSkinForm.h"

inline gui::THeadlessBackend* HeadlessScreen() {
    static gui::THeadlessBackend* b = gui::UseHeadlessBackend(1280, 800);
    return b;
}

struct FakeClock {
    uint64_t now = 1000;
    FakeClock() {
        HeadlessScreen();
        gui::SetTimerClock([this] { return now; });
    }
    ~FakeClock() { gui::SetTimerClock(nullptr); }
    void Advance(uint64_t ms) {
        now += ms;
        gui::Application()->ProcessMessages();
    }
};

// The window's own settings come first, as when a window is loaded from its
// stored settings and its components are created afterwards.
struct MainLikeSettings : gui::TWindow {
    MainLikeSettings() {
        SetBorderStyle(gui::bsSizeable);
        SetBorderIcons(gui::biSystemMenu);
    }
};
struct CheckingLikeSettings : gui::TWindow {
    CheckingLikeSettings() { SetBorderStyle(gui::bsNone); }
};

// The main window's frame: sizeable, flat, title bar 28, blue to pink.
class MainLikeWindow : public MainLikeSettings {
public:
    TZelSkinForm Frame{this};
    MainLikeWindow() {
        Frame.SetFlatFrame(true);
        Frame.SetTitleHeight(28);
        Frame.SetTitlerColor(12419072);
        Frame.SetColor(10329599);
        Frame.SetFrameColor(clTeal);
        Frame.SetDoubleFrame(false);
        Frame.SetKeepTitlerColor(true);
        Frame.Options().SetMinimizeToTaskbar(true);
        Frame.Options().SetHideInTaskbar(true);
        SetBounds(100, 100, 10, 10);
        SetClientSize(681, 450);
    }
};

// The checking window's frame: borderless, teal, 366 × 62.
class CheckingLikeWindow : public CheckingLikeSettings {
public:
    TZelSkinForm Frame{this};
    CheckingLikeWindow() {
        Frame.SetTitlerColor(clTeal);
        Frame.SetColor(clTeal);
        SetBounds(400, 300, 10, 10);
        SetClientSize(366, 62);
    }
};

// Shows the window and lets the start-flash timer run out.
inline void ShowSettled(gui::TWindow& w, FakeClock& clock) {
    w.Show();
    clock.Advance(30);
    gui::Application()->ProcessMessages();
}
