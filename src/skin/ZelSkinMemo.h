#pragma once
// A read-only multi-line text view: lines appended and wrapped to the width,
// a vertical scroll bar, mouse-wheel scrolling, text selected with the mouse
// and copied with Ctrl+C. It draws itself off-screen and copies the result in
// one step.
#include "gui/Controls.h"
#include "skin/ZelSkinText.h"

#include <map>
#include <string>
#include <vector>

enum TScrollStyle { ssNone, ssVertical };

class TZelSkinMemo : public gui::TControl {
public:
    explicit TZelSkinMemo(gui::TControl* AOwner);

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    const TZelFont& Font() const { return FFont; }
    void SetFont(const TZelFont& value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    // A one-pixel soft bevel around the view.
    bool SoftBevel() const { return FSoftBevel; }
    void SetSoftBevel(bool value);

    // The lines (Lines.Add, Lines.Clear, Lines.Count, Lines[i]).
    void Append(const std::string& line);
    void Clear();
    int LineCount() const { return int(FLines.size()); }
    const std::string& Line(int index) const { return FLines[size_t(index)]; }
    // All lines joined by line feeds.
    std::string AllText() const;

    // Lines as shown: each line wrapped to the width.
    int DisplayLineCount();
    int VisibleLineCount() const;
    int TopLine() const { return FTopLine; }
    void SetTopLine(int value);
    void ScrollBy(int lines);

    std::string SelText() const;
    void SelectAll();
    void CopyToClipboard();

    static constexpr int kScrollBarWidth = 17;

    void WndProc(gui::TMessage& Message) override;

private:
    struct TextPos {
        int line = 0;
        int offset = 0; // bytes into the line
        friend bool operator==(const TextPos&, const TextPos&) = default;
        friend auto operator<=>(const TextPos&, const TextPos&) = default;
    };
    struct Segment {
        int line;
        int start;
        int end;
    };

    bool FTransparent = false;
    TColor FColor = clWindow;
    TZelFont FFont;
    bool FReadOnly = false;
    TScrollStyle FScrollBars = ssNone;
    bool FSoftBevel = false;
    std::vector<std::string> FLines;
    std::vector<Segment> FSegments;
    bool FLayoutValid = false;
    int FLayoutWidth = -1;
    int FTopLine = 0;
    TextPos FAnchor, FCaret;
    bool FSelecting = false;
    bool FThumbDragging = false;
    int FThumbGrab = 0;
    std::map<char32_t, int> FWidths;

    int LineHeight() const;
    int TextWidthAvailable() const;
    int CharWidth(char32_t c);
    void Layout();
    TextPos PosFromPoint(int x, int y);
    int XOfOffset(const Segment& seg, int offset);
    TRect ThumbRect();
    TRect TrackRect() const;
    void Paint(gui::HDC dc);
};
