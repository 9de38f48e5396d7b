#pragma once
// The message box in the updater's skin: a small topmost modal window with
// the box's title in its title bar, the kind's icon, the text wrapped by our
// text engine and the buttons the request asks for. It runs its own modal
// loop, so it can be shown before any other window exists, over a modal
// window, and after the last window has closed.
#include "gui/Controls.h"
#include "platform/MessageBox.h"
#include "skin/ZelSkinButtons.h"
#include "skin/ZelSkinControls.h"
#include "skin/ZelSkinForm.h"
#include "skin/ZelSkinNCControls.h"

#include <string>
#include <vector>

class TZelSkinMessageBox : public gui::TWindow {
public:
    // Laid out for the request and placed centred on the owner (or on the
    // screen without one).
    explicit TZelSkinMessageBox(const platform::MessageBoxRequest& request,
                                gui::TWindow* owner = nullptr);
    ~TZelSkinMessageBox() override;

    // Shows the box and waits for the answer: the clicked button's, Enter's
    // (the default button: OK or Yes) or Escape's (OK, or No). Closing the
    // box otherwise (its title-bar button, the window manager) answers like
    // Escape.
    platform::MessageResult Execute();

    // The text's size limits: lines wrap at kWrapWidth; a text taller than
    // the screen allows is cut off.
    static constexpr int kWrapWidth = 360;
    static constexpr int kIconSize = 32;

    // The buttons from left to right.
    const std::vector<TZelSkinColorButton*>& Buttons() const { return FButtons; }
    // Where the icon and the text lie in the message area (pnlMessage).
    TRect IconRect() const;
    TRect TextRect() const;
    // The text's font and layout flags.
    static TZelFont TextFont();
    static constexpr TTextFormat kTextFlags = tfLeft | tfWordBreak | tfNoPrefix;

    TZelSkinForm Frame{this};
    TZelSkinNCLabel lblTitle{this};
    TZelSkinSystemButton btnSysClose{this};
    TZelSkinPanel pnlMessage{this};
    TZelSkinPanel pnlCmd{this};

private:
    platform::MessageBoxRequest FRequest;
    std::vector<TZelSkinColorButton*> FButtons;
    TRect FIconRect;
    TRect FTextRect;

    void SetupFrame();
    void AddButton(const char* caption, gui::TModalResult result, TColor hot);
    void Layout(const gui::RECT& work);
    void PlaceOn(gui::TWindow* owner, const gui::RECT& work);
    void PaintMessage(TZelSkinImage& buffer);
    // What Escape and closing answer.
    platform::MessageResult EscapeAnswer() const;
    platform::MessageResult AnswerFor(gui::TModalResult result) const;
};

// Shows the request in a skinned box over the active window and returns the
// answer. From another thread the box is shown by the main thread, which
// must be running a message loop meanwhile.
platform::MessageResult ShowSkinMessageBox(const platform::MessageBoxRequest& request);

// Makes ShowSkinMessageBox the process's message-box presenter. Should the
// windows have to run without a display after all (SDL cannot start), the
// boxes stay lines on standard error.
void InstallSkinMessageBox();
