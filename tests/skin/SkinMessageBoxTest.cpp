// The skinned message box on the headless screen: the text's layout (wrapping,
// line breaks, the size limits), the buttons and their answers, the keys, the
// icons, and where and when it shows (no window yet, over a modal window,
// after the application loop has ended).
#include "SkinWindowSupport.h"
#include "platform/MainThread.h"
#include "skin/ZelSkinDC.h"
#include "skin/ZelSkinMessageBox.h"
#include "skin/ZelSkinMessageIcons.h"
#include "skin/ZelSkinPng.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace platform;
using namespace gui;

namespace {

const std::string kLong = "启动软件应用失败，请检查安装目录中的程序文件是否完整，或者重新安装本软件"
                          "后再试一次。如果问题仍然存在，请联系技术支持并提供本次的错误信息。";

MessageBoxRequest Ask(const std::string& text, MessageButtons buttons = MessageButtons::Ok,
                      MessageIcon icon = MessageIcon::Error) {
    return {text, "提示", icon, buttons};
}

// The box as it shows, composed.
TZelSkinImage Composed(TZelSkinMessageBox& box) {
    box.Show();
    // The title-bar controls register through the queue.
    Application()->ProcessMessages();
    box.PaintWindow();
    TZelSkinImage image = WindowImage(box);
    box.Hide();
    return image;
}

// A rectangle of the message area in window coordinates.
TRect InWindow(const TZelSkinMessageBox& box, const TRect& r) {
    const POINT o = box.pnlMessage.ClientOriginInWindow();
    return r.Offset(o.x, o.y);
}

bool Dark(TColor32 p) {
    return RedOf(p) + GreenOf(p) + BlueOf(p) < 3 * 90;
}

int DarkPixels(const TZelSkinImage& image, const TRect& r) {
    int n = 0;
    for (int y = std::max(0, r.Top); y < std::min(image.Height(), r.Bottom); ++y)
        for (int x = std::max(0, r.Left); x < std::min(image.Width(), r.Right); ++x)
            n += Dark(image.Pixel(x, y));
    return n;
}

// Runs the box's loop; `act` runs inside it once the box shows and must get
// an answer out of it.
MessageResult AnswerTo(TZelSkinMessageBox& box, const std::function<void()>& act) {
    PostToMainThread([&box, act] {
        act();
        if (box.ModalResult() == mrNone) {
            ADD_FAILURE() << "the box is still waiting for an answer";
            box.SetModalResult(mrAbort);
        }
    });
    return box.Execute();
}

// Runs `act` inside the loop of the box that ShowSkinMessageBox is about to
// show; a box that `act` leaves waiting is ended.
void WhenShown(const std::function<void(TZelSkinMessageBox&)>& act) {
    PostToMainThread([act] {
        TZelSkinMessageBox* box = nullptr;
        for (TWindow* w : Application()->Windows())
            if (auto* b = dynamic_cast<TZelSkinMessageBox*>(w)) box = b;
        ASSERT_NE(box, nullptr) << "no box is shown";
        EXPECT_TRUE(box->Showing());
        EXPECT_EQ(ActiveWindow(), box);
        act(*box);
        if (box->ModalResult() == mrNone) {
            ADD_FAILURE() << "the box is still waiting for an answer";
            box->SetModalResult(mrAbort);
        }
    });
}

void ClickOn(const TControl& c) {
    const POINT p = c.ClientToScreen({c.Width() / 2, c.Height() / 2});
    HeadlessScreen()->Click(p.x, p.y);
}

POINT Centre(const TWindow& w) {
    return {w.Left() + w.Width() / 2, w.Top() + w.Height() / 2};
}

} // namespace

TEST(SkinMessageBox, TextIsLaidOutInLinesInsideTheBox) {
    HeadlessScreen();
    const int lineHeight = GetFontMetrics(TZelSkinMessageBox::TextFont()).Height;
    struct Case {
        const char* name;
        std::string text;
        int minLines, maxLines;
        int blankLine; // -1: none
        bool wider;    // than the wrap width: a word that cannot be broken
    };
    const std::string path = "/home/varnoke/.local/share/Varnoke/updater/install/plugins/report/ag";
    const Case cases[] = {
        {"one short line", "启动软件应用失败", 1, 1, -1, false},
        {"explicit line breaks", "第一行\n第二行\n\n第四行", 4, 4, 2, false},
        {"a long Chinese text wraps", kLong, 2, 6, -1, false},
        {"a long path keeps its line", "找不到文件 : " + path + path, 2, 2, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZelSkinMessageBox box(Ask(c.text));
        const TRect text = box.TextRect();
        const int lines = text.Height() / lineHeight;
        EXPECT_EQ(text.Height() % lineHeight, 0);
        EXPECT_GE(lines, c.minLines);
        EXPECT_LE(lines, c.maxLines);
        EXPECT_EQ(text.Width() > TZelSkinMessageBox::kWrapWidth, c.wider);
        // Beside the icon, above the buttons, inside the message area.
        EXPECT_GE(text.Left, box.IconRect().Right);
        EXPECT_LE(text.Right, box.pnlMessage.Width());
        EXPECT_LE(text.Bottom, box.pnlMessage.Height());

        const TZelSkinImage image = Composed(box);
        const TRect r = InWindow(box, text);
        for (int line = 0; line < lines; ++line) {
            const int top = r.Top + line * lineHeight;
            const int ink = DarkPixels(image, {r.Left, top, r.Right, top + lineHeight});
            if (line == c.blankLine)
                EXPECT_EQ(ink, 0) << "line " << line;
            else
                EXPECT_GT(ink, 20) << "line " << line;
        }
        // Nothing of the text runs on past its rectangle.
        const TRect area = InWindow(box, {0, 0, box.pnlMessage.Width(), box.pnlMessage.Height()});
        EXPECT_EQ(DarkPixels(image, {r.Right, area.Top, area.Right, area.Bottom}), 0);
        EXPECT_EQ(DarkPixels(image, {r.Left, r.Bottom, r.Right, area.Bottom}), 0);
    }
}

TEST(SkinMessageBox, GrowsWithItsTextAndStaysOnTheScreen) {
    HeadlessScreen();
    TZelSkinMessageBox shortBox(Ask("启动软件应用失败"));
    TZelSkinMessageBox longBox(Ask(kLong));
    EXPECT_GT(longBox.Height(), shortBox.Height());
    EXPECT_GT(longBox.Width(), shortBox.Width());

    std::string huge;
    for (int i = 0; i < 60; ++i)
        huge += kLong + "\n";
    TZelSkinMessageBox hugeBox(Ask(huge));
    const RECT work = WindowBackend()->WorkArea(hugeBox.BoundsRect());
    EXPECT_GE(hugeBox.Left(), work.left);
    EXPECT_GE(hugeBox.Top(), work.top);
    EXPECT_LE(hugeBox.Left() + hugeBox.Width(), work.right);
    EXPECT_LE(hugeBox.Top() + hugeBox.Height(), work.bottom);
    // The buttons are still there to answer it.
    for (TZelSkinColorButton* b : hugeBox.Buttons())
        EXPECT_LE(b->ClientToScreen({0, b->Height()}).y, hugeBox.Top() + hugeBox.Height());
}

TEST(SkinMessageBox, EachButtonGivesItsAnswer) {
    HeadlessScreen();
    struct Case {
        MessageButtons buttons;
        std::vector<std::string> captions;
        std::vector<MessageResult> answers;
    };
    const Case cases[] = {
        {MessageButtons::Ok, {"确定"}, {MessageResult::Ok}},
        {MessageButtons::YesNo, {"是", "否"}, {MessageResult::Yes, MessageResult::No}},
    };
    for (const Case& c : cases) {
        for (size_t i = 0; i < c.captions.size(); ++i) {
            SCOPED_TRACE(c.captions[i]);
            TZelSkinMessageBox box(Ask(kLong, c.buttons));
            ASSERT_EQ(box.Buttons().size(), c.captions.size());
            TZelSkinColorButton* button = box.Buttons()[i];
            EXPECT_EQ(button->Caption(), c.captions[i]);
            // Left to right, side by side in the button row.
            if (i > 0) {
                EXPECT_GT(button->Left(), box.Buttons()[i - 1]->BoundsRect().right);
            }
            EXPECT_EQ(button->Parent(), &box.pnlCmd);
            EXPECT_LE(button->BoundsRect().right, box.pnlCmd.Width());
            EXPECT_EQ(AnswerTo(box, [&] { ClickOn(*button); }), c.answers[i]);
        }
    }
}

TEST(SkinMessageBox, KeysAndClosingAnswer) {
    HeadlessScreen();
    enum Action { Enter, Escape, AltF4, TitleBarClose };
    struct Case {
        const char* name;
        MessageButtons buttons;
        Action action;
        MessageResult answer;
    };
    const Case cases[] = {
        {"Enter on OK", MessageButtons::Ok, Enter, MessageResult::Ok},
        {"Escape on OK", MessageButtons::Ok, Escape, MessageResult::Ok},
        {"title-bar close on OK", MessageButtons::Ok, TitleBarClose, MessageResult::Ok},
        {"Enter on Yes/No", MessageButtons::YesNo, Enter, MessageResult::Yes},
        {"Escape on Yes/No", MessageButtons::YesNo, Escape, MessageResult::No},
        {"Alt+F4 on Yes/No", MessageButtons::YesNo, AltF4, MessageResult::No},
        {"title-bar close on Yes/No", MessageButtons::YesNo, TitleBarClose, MessageResult::No},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZelSkinMessageBox box(
            Ask("更新正在进行中,确定退出吗？", c.buttons, MessageIcon::Question));
        auto* screen = HeadlessScreen();
        const MessageResult answer = AnswerTo(box, [&] {
            switch (c.action) {
            case Enter:
                screen->KeyPress(VK_RETURN);
                break;
            case Escape:
                screen->KeyPress(VK_ESCAPE);
                break;
            case AltF4:
                screen->KeyPress(VK_F4, MK_ALT);
                break;
            case TitleBarClose: {
                ASSERT_TRUE(box.btnSysClose.Hooked());
                const TRect r = box.btnSysClose.ControlRect();
                screen->Click(box.Left() + (r.Left + r.Right) / 2,
                              box.Top() + (r.Top + r.Bottom) / 2);
                break;
            }
            }
        });
        EXPECT_EQ(answer, c.answer);
        EXPECT_FALSE(box.Showing());
    }
}

TEST(SkinMessageBox, EachKindHasItsIcon) {
    HeadlessScreen();
    struct Case {
        const char* name;
        MessageIcon icon;
        TPoint onShape; // off the sign, in the 32-pixel icon
    };
    const Case cases[] = {
        {"error", MessageIcon::Error, {4, 16}},
        {"warning", MessageIcon::Warning, {8, 26}},
        {"information", MessageIcon::Information, {4, 16}},
        {"question", MessageIcon::Question, {4, 16}},
    };
    std::vector<TZelSkinImage> icons;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZelSkinMessageBox box(Ask("启动软件应用失败", MessageButtons::Ok, c.icon));
        const TZelSkinImage image = Composed(box);
        SavePngToFile(image, std::string(SKIN_TEST_OUTPUT_DIR) + "/message-box-" + c.name + ".png");
        const TRect r = InWindow(box, box.IconRect());
        ASSERT_EQ(r.Width(), TZelSkinMessageBox::kIconSize);
        const TZelSkinImage icon = image.CopyRect(r);
        EXPECT_EQ(icon.Pixel(c.onShape.X, c.onShape.Y), MessageIconShapeColor(c.icon));
        int shape = 0, sign = 0;
        for (int y = 0; y < icon.Height(); ++y)
            for (int x = 0; x < icon.Width(); ++x) {
                shape += icon.Pixel(x, y) == MessageIconShapeColor(c.icon);
                sign += icon.Pixel(x, y) == MessageIconSignColor(c.icon);
            }
        EXPECT_GT(shape, 250);
        EXPECT_GT(sign, 15);
        // The icon keeps clear of the text.
        EXPECT_LE(box.IconRect().Right, box.TextRect().Left);
        for (const TZelSkinImage& other : icons)
            EXPECT_FALSE(other == icon) << "two kinds share a picture";
        icons.push_back(icon);
    }
}

TEST(SkinMessageBox, BeforeAnyWindowItIsCentredOnTheScreenAndTopmost) {
    HeadlessScreen();
    ASSERT_EQ(ActiveWindow(), nullptr);
    WhenShown([](TZelSkinMessageBox& box) {
        const RECT work = WindowBackend()->WorkArea(box.BoundsRect());
        EXPECT_NEAR(Centre(box).x, work.left + work.Width() / 2, 1);
        EXPECT_NEAR(Centre(box).y, work.top + work.Height() / 2, 1);
        EXPECT_TRUE(box.Topmost());
        ClickOn(*box.Buttons()[0]);
    });
    EXPECT_EQ(ShowSkinMessageBox(Ask(kLong, MessageButtons::YesNo)), MessageResult::Yes);
}

TEST(SkinMessageBox, OverAModalWindowItIsCentredOnItAndTheWindowGoesOn) {
    HeadlessScreen();
    CheckingLikeWindow owner;
    owner.SetBounds(300, 200, owner.Width(), owner.Height());
    bool asked = false;
    MessageResult answer = MessageResult::No;
    PostToMainThread([&] {
        WhenShown([&](TZelSkinMessageBox& box) {
            EXPECT_NEAR(Centre(box).x, Centre(owner).x, 1);
            EXPECT_NEAR(Centre(box).y, Centre(owner).y, 1);
            HeadlessScreen()->KeyPress(VK_RETURN);
        });
        answer = ShowSkinMessageBox(Ask("下载文件失败", MessageButtons::YesNo));
        asked = true;
        // The owner's own loop goes on.
        EXPECT_TRUE(owner.Showing());
        EXPECT_EQ(ActiveWindow(), &owner);
        owner.SetModalResult(mrOk);
    });
    EXPECT_EQ(owner.ShowModal(), mrOk);
    EXPECT_TRUE(asked);
    EXPECT_EQ(answer, MessageResult::Yes);
}

TEST(SkinMessageBox, AfterTheLastWindowHasClosedItStillWaitsForItsAnswer) {
    HeadlessScreen();
    {
        MainLikeWindow main;
        Application()->SetMainForm(&main);
        main.Show();
        main.Close(); // ends the application loop
        Application()->SetMainForm(nullptr);
    }
    ASSERT_TRUE(Application()->Terminated());
    // Yes only comes from the key: a box that ended at once would answer No.
    WhenShown([](TZelSkinMessageBox&) { HeadlessScreen()->KeyPress(VK_RETURN); });
    EXPECT_EQ(ShowSkinMessageBox(Ask("启动软件应用失败", MessageButtons::YesNo)),
              MessageResult::Yes);
    // The loop's end stays asked for.
    EXPECT_TRUE(Application()->Terminated());
    Application()->ResetTerminated();
}
