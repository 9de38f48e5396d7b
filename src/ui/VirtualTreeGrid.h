#pragma once
// A virtual tree grid: it keeps no cell data of its own and asks for it
// through events. It holds the node tree, the header and its columns, the
// selection and the scroll position; it paints itself with the skin's raster
// and fonts, and takes mouse and keyboard input from the control that hosts it.
#include "skin/ZelSkinControls.h" // TAlignment
#include "skin/ZelSkinImage.h"
#include "skin/ZelSkinText.h"
#include "skin/ZelSkinTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TVirtualTreeGrid;

// Node states.
enum TVirtualNodeState : uint32_t {
    vsHasChildren = 1,
    vsExpanded = 2,
    vsSelected = 4,
    vsMultiline = 8,
};

struct TVirtualNode {
    TVirtualNode* Parent = nullptr;
    std::vector<std::unique_ptr<TVirtualNode>> Children;
    void* Data = nullptr; // the application's reference
    uint32_t States = vsExpanded;
    int NodeHeight = 22;
    // Index among its siblings.
    int Index() const { return Parent ? SiblingIndex : 0; }
    // Kept by the grid whenever the parent's children change, so that walks
    // from node to node cost nothing per step.
    int SiblingIndex = 0;
};

enum TVTColumnOption : uint32_t {
    coAllowClick = 1,
    coEnabled = 2,
    coParentColor = 4,
    coResizable = 8,
    coVisible = 16,
    coAllowFocus = 32,
    coWrapCaption = 64,
    coStyleColor = 128,
};

enum TSortDirection { sdAscending, sdDescending };
enum TVTNodeAttachMode { amAddChildFirst, amAddChildLast };
enum TVTHintKind { vhkText, vhkOwnerDraw };

class TVirtualTreeColumn {
public:
    std::string Text;
    int Width = 50;
    TAlignment Alignment = taLeftJustify;
    TAlignment CaptionAlignment = taLeftJustify;
    int Margin = 4;
    int Tag = 0;
    uint32_t Options =
        coAllowClick | coEnabled | coParentColor | coResizable | coVisible | coAllowFocus;
    TSortDirection DefaultSortDirection = sdAscending;

    int Index() const { return FIndex; }
    bool Visible() const { return (Options & coVisible) != 0; }
    // Its rectangle in the header, in grid coordinates.
    TRect HeaderRect() const;

private:
    friend class TVirtualTreeGrid;
    friend class TVTHeader;
    TVirtualTreeGrid* FOwner = nullptr;
    int FIndex = 0;
};

class TVTHeader {
public:
    int Height = 20;
    bool Visible = false;
    int SortColumn = -1; // none
    TSortDirection SortDirection = sdAscending;

    TVirtualTreeColumn* AddColumn();
    void ClearColumns();
    int Count() const { return static_cast<int>(FColumns.size()); }
    TVirtualTreeColumn* Column(int index) const;
    // Column indices from left to right; a column keeps its index (which the
    // events carry) wherever it is dragged to.
    const std::vector<int>& Order() const { return FOrder; }
    void MoveColumn(int column, int toPosition);

private:
    friend class TVirtualTreeGrid;
    TVirtualTreeGrid* FOwner = nullptr;
    std::vector<std::unique_ptr<TVirtualTreeColumn>> FColumns;
    std::vector<int> FOrder;
};

// The drawing state handed to the paint-text and draw-hint events.
struct TVTCanvas {
    TZelPainter* Painter = nullptr;
    TZelFont Font;
    int PenWidth = 1;
    TColor PenColor = clWindowText;
    // An outline of PenWidth inside the rectangle.
    void Rectangle(const TRect& r);
    void StretchDraw(const TRect& r, const TZelSkinImage& image);
};

enum TShiftState : uint32_t { ssShift = 1, ssAlt = 2, ssCtrl = 4 };

struct TVTHitInfo {
    TVirtualNode* HitNode = nullptr;
    int HitColumn = -1;
};

class TVirtualTreeGrid {
public:
    TVirtualTreeGrid();
    ~TVirtualTreeGrid();
    TVirtualTreeGrid(const TVirtualTreeGrid&) = delete;
    TVirtualTreeGrid& operator=(const TVirtualTreeGrid&) = delete;

    TVTHeader& Header() { return FHeader; }
    const TVTHeader& Header() const { return FHeader; }

    // Options.
    std::string DefaultText = "Node";
    int Indent = 18;
    bool FullRowSelect = false;
    bool MultiSelect = true;
    bool ShowHorzGridLines = false;
    bool ShowVertGridLines = false;
    TColor GridLineColor = clBtnFace;
    bool ShowHint = false;
    bool HintAnimation = true;
    TColor Color = clWindow;
    TZelFont Font{"宋体", 12, clWindowText};
    int DefaultNodeHeight = 22;

    // Nodes.
    TVirtualNode* RootNode() { return &FRoot; }
    TVirtualNode* AddChild(TVirtualNode* parent, void* data,
                           TVTNodeAttachMode mode = amAddChildLast);
    void DeleteNode(TVirtualNode* node);
    void DeleteSelectedNodes();
    void Clear();
    int SelectedCount() const;
    TVirtualNode* GetFirstSelected() const;
    TVirtualNode* GetNextSelected(TVirtualNode* node) const;
    // Every selected node in tree order, in one walk (a First/Next loop
    // walks the tree once per node).
    std::vector<TVirtualNode*> SelectedNodes() const;
    void SetSelected(TVirtualNode* node, bool selected);
    void ClearSelection();
    TVirtualNode* FocusedNode() const { return FFocused; }
    void SetFocusedNode(TVirtualNode* node);
    // Every node in display order (expanded parents before their children).
    std::vector<TVirtualNode*> VisibleNodes() const;
    int TotalCount() const;

    // Painting.
    void RepaintNode(TVirtualNode* node);
    void InvalidateColumn(int column);
    void Invalidate();
    // Sorts the children of every node by the compare event; descending
    // reverses the order.
    void SortTree(int column, TSortDirection direction);
    // The cell's text as the get-text event gives it (it starts as DefaultText).
    std::string GetText(TVirtualNode* node, int column);

    // Geometry and input, in the grid's own coordinates.
    void SetClientSize(int width, int height);
    int ClientWidth() const { return FWidth; }
    int ClientHeight() const { return FHeight; }
    TRect NodeRect(TVirtualNode* node) const; // empty when scrolled out of view
    TVTHitInfo GetHitTestInfoAt(int x, int y) const;
    int ColumnAt(int x) const; // -1 outside every column
    int HeaderColumnAt(int x, int y) const;
    int OffsetY() const { return FOffsetY; }
    void ScrollBy(int dy);
    void Paint(TZelPainter& painter);
    void MouseDown(int x, int y, uint32_t shift, bool doubleClick);
    void MouseMove(int x, int y);
    void MouseUp(int x, int y);
    void MouseWheel(int delta);
    void KeyDown(uint16_t key, uint32_t shift);
    // What the hint at a point is: text, kind and (for owner-drawn) size.
    struct Hint {
        bool show = false;
        TVTHintKind kind = vhkText;
        std::string text;
        TSize size;
        TVirtualNode* node = nullptr;
        int column = -1;
    };
    Hint HintAt(int x, int y);
    void PaintHint(TZelPainter& painter, const Hint& hint);

    // Events, with the grid as sender.
    std::function<void(TVirtualTreeGrid*, TVirtualNode*, int column, std::string& text)> OnGetText;
    std::function<void(TVirtualTreeGrid*, TVTCanvas&, TVirtualNode*, int column, bool& defaultDraw)>
        OnPaintText;
    std::function<void(TVirtualTreeGrid*, int column)> OnHeaderClick;
    std::function<void(TVirtualTreeGrid*, TVirtualNode*, TVirtualNode*, int column, int& result)>
        OnCompareNodes;
    std::function<void(TVirtualTreeGrid*, TVirtualNode*)> OnFreeNode;
    std::function<void(TVirtualTreeGrid*, uint16_t& key, uint32_t shift)> OnKeyDown;
    std::function<void(TVirtualTreeGrid*, TVirtualNode*, int column, std::string& text)> OnGetHint;
    std::function<void(TVirtualTreeGrid*, TVirtualNode*, int column, TVTHintKind& kind)>
        OnGetHintKind;
    std::function<void(TVirtualTreeGrid*, TVirtualNode*, int column, TRect& rect)> OnGetHintSize;
    std::function<void(TVirtualTreeGrid*, TVTCanvas&, TVirtualNode*, const TRect&, int column)>
        OnDrawHint;
    std::function<void(TVirtualTreeGrid*, TVirtualNode* parent, TVirtualNode*,
                       uint32_t& initialStates)>
        OnInitNode;
    std::function<void(TVirtualTreeGrid*, const TVTHitInfo&)> OnNodeClick;
    std::function<void(TVirtualTreeGrid*, const TVTHitInfo&)> OnNodeDblClick;
    // Asks the host to repaint a part of the grid.
    std::function<void(const TRect&)> OnInvalidate;

private:
    friend class TVirtualTreeColumn;
    void FreeNode(std::unique_ptr<TVirtualNode>& node);
    void SortChildren(TVirtualNode* node, int column, TSortDirection direction);
    int ContentHeight() const;
    int MaxOffset() const;
    int ColumnLeft(int column) const;
    int Level(const TVirtualNode* node) const;
    void CollectSelected(const TVirtualNode* node, std::vector<TVirtualNode*>& out) const;
    // The node after `node` in display order, expanded or not; nullptr at the end.
    const TVirtualNode* NextInTree(const TVirtualNode* node) const;
    static void Renumber(TVirtualNode* parent, size_t from);
    void DeleteSelectedChildren(TVirtualNode* parent);
    void PaintHeader(TZelPainter& painter);
    void PaintNodes(TZelPainter& painter);
    void PaintScrollBar(TZelPainter& painter);
    bool ScrollBarShown() const;

    TVirtualNode FRoot;
    TVTHeader FHeader;
    TVirtualNode* FFocused = nullptr;
    int FWidth = 0, FHeight = 0;
    int FOffsetY = 0;
    int FResizing = -1; // column whose right edge is being dragged
    int FResizeStartX = 0, FResizeStartWidth = 0;
    int FPressedHeader = -1;
    int FPressX = 0;
    bool FDraggingHeader = false;
};
