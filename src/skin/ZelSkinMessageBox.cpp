#include "skin/ZelSkinMessageBox.h"

#include "gui/WindowBackend.h"
#include "platform/MainThread.h"
#include "skin/ZelSkinMessageIcons.h"
#include "skin/ZelSkinWindowLook.h"

#include <algorithm>

using namespace platform;
using namespace gui;

namespace {

// The main window's hot colours for "是" and "否".
constexpr TColor kHotColor = 10317049;
constexpr TColor kLeaveHotColor = 2237136;

// Client-area layout.
constexpr int kMargin = 20;    // around the icon and the text
constexpr int kIconGap = 14;   // between the icon and the text
constexpr int kCmdHeight = 37; // the button row, as on the main window
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 30;
constexpr int kButtonGap = 8;     // between two buttons
constexpr int kButtonMargin = 12; // right of the last button, left of the first
constexpr int kMinClientWidth = 260;
constexpr int kScreenMargin = 40; // kept free around the box on the work area

TZelFont TitleFont() {
    return TZelFont("宋体", 14, clWhite);
}
TZelFont ButtonFont() {
    return TZelFont("宋体", 12, clWhite);
}

} // namespace

TZelSkinMessageBox::TZelSkinMessageBox(const MessageBoxRequest& request, TWindow* owner)
    : FRequest(request) {
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    SetCaption(request.title);
    SetColor(Color32(clBtnFace));
    SetupFrame();

    pnlMessage.SetAlign(alClient);
    pnlMessage.SetBorderSides(0);
    pnlMessage.OnCustomDraw = [this](void*, TZelSkinImage& buffer) { PaintMessage(buffer); };
    pnlCmd.SetAlign(alBottom);
    pnlCmd.SetHeight(kCmdHeight);
    pnlCmd.SetBorderSides(sdTop);

    if (request.buttons == MessageButtons::YesNo) {
        AddButton("是", mrYes, kHotColor);
        AddButton("否", mrNo, kLeaveHotColor);
        FButtons[0]->SetDefault(true);
        FButtons[1]->SetCancel(true);
    } else {
        AddButton("确定", mrOk, kHotColor);
        FButtons[0]->SetDefault(true);
        FButtons[0]->SetCancel(true);
    }

    const RECT near = owner ? owner->BoundsRect() : RECT{0, 0, 1, 1};
    const RECT work = WindowBackend()->WorkArea(near);
    Layout(work);
    PlaceOn(owner, work);
    SetTopmost(true);
    // An owned box stays off the task bar; a box of its own is found there.
    if (owner) SetExStyle(ExStyle() | WS_EX_TOOLWINDOW);
}

TZelSkinMessageBox::~TZelSkinMessageBox() {
    for (TZelSkinColorButton* b : FButtons)
        delete b;
}

void TZelSkinMessageBox::SetupFrame() {
    SetupWindowFrame(Frame);
    SetupWindowTitle(lblTitle, FRequest.title, TitleFont());
    SetupCloseButton(btnSysClose);
}

void TZelSkinMessageBox::AddButton(const char* caption, TModalResult result, TColor hot) {
    auto* b = new TZelSkinColorButton(&pnlCmd);
    b->SetCaption(caption);
    b->SetModalResult(result);
    b->SetNormalColor(kCommandButtonColor);
    b->SetHotColor(hot);
    b->SetFont(ButtonFont());
    b->SetHotFont(ButtonFont());
    FButtons.push_back(b);
}

TZelFont TZelSkinMessageBox::TextFont() {
    return TZelFont("宋体", 12, clWindowText);
}

void TZelSkinMessageBox::Layout(const RECT& work) {
    const int frame = Frame.FramWidth();
    const int textLeft = kMargin + kIconSize + kIconGap;
    const int chromeWidth = 2 * frame + textLeft + kMargin;
    const int chromeHeight = kWindowTitleHeight + frame + 2 * kMargin + kCmdHeight;
    // However long the text, the box stays on the work area.
    const int maxTextWidth = std::max(kWrapWidth, work.Width() - 2 * kScreenMargin - chromeWidth);
    const int lineHeight = std::max(1, GetFontMetrics(TextFont()).Height);
    int maxTextHeight = std::max(kIconSize, work.Height() - 2 * kScreenMargin - chromeHeight);
    maxTextHeight -= maxTextHeight % lineHeight; // whole lines only

    // A word longer than the wrap width widens the text; the lines are then
    // laid out again at the width they get.
    const TRect measured =
        MeasureText(TextFont(), FRequest.text, {0, 0, kWrapWidth, 1 << 20}, kTextFlags);
    const int textWidth = std::min(measured.Width(), maxTextWidth);
    const TRect laidOut =
        MeasureText(TextFont(), FRequest.text, {0, 0, textWidth, 1 << 20}, kTextFlags);
    const int textHeight = std::min(laidOut.Height(), maxTextHeight);
    // A text lower than the icon is centred on it.
    const int textTop = kMargin + std::max(0, (kIconSize - textHeight) / 2);
    FIconRect = TRect::Bounds(kMargin, kMargin, kIconSize, kIconSize);
    FTextRect = TRect::Bounds(textLeft, textTop, textWidth, textHeight);

    const int buttonsWidth = int(FButtons.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
    // The title, then room for the close button at 40 from the right edge.
    const int titleWidth = 8 + TextWidth(TitleFont(), FRequest.title) + 8 + 40 - 2 * frame;
    const int maxClientWidth = work.Width() - 2 * kScreenMargin - 2 * frame;
    int clientWidth = std::max({textLeft + textWidth + kMargin, buttonsWidth + 2 * kButtonMargin,
                                titleWidth, kMinClientWidth});
    clientWidth = std::min(clientWidth, std::max(maxClientWidth, kMinClientWidth));
    if (titleWidth > clientWidth) {
        lblTitle.SetEllipsisPosition(epEndEllipsis);
        lblTitle.SetMaxWidth(clientWidth + 2 * frame - 8 - 8 - 40);
    }
    const int clientHeight = kMargin + std::max(kIconSize, textHeight) + kMargin + kCmdHeight;
    SetClientSize(clientWidth, clientHeight);

    int left = clientWidth - kButtonMargin - buttonsWidth;
    for (TZelSkinColorButton* b : FButtons) {
        b->SetBounds(left, 3, kButtonWidth, kButtonHeight);
        left += kButtonWidth + kButtonGap;
    }
}

void TZelSkinMessageBox::PlaceOn(TWindow* owner, const RECT& work) {
    const RECT area = owner ? owner->BoundsRect() : work;
    int left = area.left + (area.Width() - Width()) / 2;
    int top = area.top + (area.Height() - Height()) / 2;
    // Over an owner near the screen's edge the box still shows whole.
    left = std::max(work.left, std::min(left, work.right - Width()));
    top = std::max(work.top, std::min(top, work.bottom - Height()));
    SetBounds(left, top, Width(), Height());
}

void TZelSkinMessageBox::PaintMessage(TZelSkinImage& buffer) {
    TZelPainter p(buffer);
    DrawMessageIcon(p, FIconRect.Left, FIconRect.Top, kIconSize, FRequest.icon);
    DrawText(p, TextFont(), FRequest.text, FTextRect, kTextFlags);
}

TRect TZelSkinMessageBox::IconRect() const {
    return FIconRect;
}
TRect TZelSkinMessageBox::TextRect() const {
    return FTextRect;
}

MessageResult TZelSkinMessageBox::EscapeAnswer() const {
    return FRequest.buttons == MessageButtons::YesNo ? MessageResult::No : MessageResult::Ok;
}

MessageResult TZelSkinMessageBox::AnswerFor(TModalResult result) const {
    // Closing (the title-bar button, Alt+F4, the window manager) leaves
    // mrCancel: it answers like Escape.
    switch (result) {
    case mrYes:
        return MessageResult::Yes;
    case mrNo:
        return MessageResult::No;
    case mrOk:
        return MessageResult::Ok;
    default:
        return EscapeAnswer();
    }
}

MessageResult TZelSkinMessageBox::Execute() {
    // After the last window has closed the application loop is told to end;
    // the box still waits for its answer and leaves that request in place.
    const bool terminated = Application()->Terminated();
    Application()->ResetTerminated();
    const TModalResult result = ShowModal();
    if (terminated) Application()->Terminate();
    return AnswerFor(result);
}

namespace {

// Windows belong to the main thread: a box asked for elsewhere is shown there.
MessageResult OnMainThread(MessageResult (*show)(const MessageBoxRequest&),
                           const MessageBoxRequest& request) {
    if (IsMainThread()) return show(request);
    MessageResult answer = MessageResult::Ok;
    SendToMainThread([&] { answer = show(request); });
    return answer;
}

MessageResult ShowHere(const MessageBoxRequest& request) {
    TZelSkinMessageBox box(request, ActiveWindow());
    return box.Execute();
}

MessageResult PresentHere(const MessageBoxRequest& request) {
    // Without a working display a box would wait for input that never comes.
    if (IsHeadless()) return WriteMessageBoxLine(request);
    return ShowHere(request);
}

} // namespace

MessageResult ShowSkinMessageBox(const MessageBoxRequest& request) {
    return OnMainThread(ShowHere, request);
}

void InstallSkinMessageBox() {
    SetMessageBoxPresenter(
        [](const MessageBoxRequest& request) { return OnMainThread(PresentHere, request); });
}
