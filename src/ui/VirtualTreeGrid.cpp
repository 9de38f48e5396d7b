#include "ui/VirtualTreeGrid.h"

#include <algorithm>

namespace {

constexpr int kScrollBarWidth = 12;
constexpr int kResizeGrip = 3;
constexpr uint16_t VK_UP = 38, VK_DOWN = 40, VK_HOME = 36, VK_END = 35, VK_PRIOR = 33, VK_NEXT = 34;

const TColor32 kSelection = Color32(204, 228, 247);
const TColor32 kSelectionFrame = Color32(153, 201, 239);
const TColor32 kHeaderTop = Color32(255, 255, 255);
const TColor32 kHeaderBottom = Color32(229, 238, 248);
const TColor32 kHeaderLine = Color32(186, 203, 223);
const TColor32 kScrollTrack = Color32(240, 243, 247);
const TColor32 kScrollThumb = Color32(190, 205, 222);

} // namespace

TRect TVirtualTreeColumn::HeaderRect() const {
    if (!FOwner) return {};
    int left = FOwner->ColumnLeft(FIndex);
    return {left, 0, left + Width, FOwner->Header().Height};
}

TVirtualTreeColumn* TVTHeader::AddColumn() {
    auto col = std::make_unique<TVirtualTreeColumn>();
    col->FOwner = FOwner;
    col->FIndex = static_cast<int>(FColumns.size());
    FOrder.push_back(col->FIndex);
    FColumns.push_back(std::move(col));
    return FColumns.back().get();
}

void TVTHeader::ClearColumns() {
    FColumns.clear();
    FOrder.clear();
    SortColumn = -1;
}

void TVTHeader::MoveColumn(int column, int toPosition) {
    auto it = std::find(FOrder.begin(), FOrder.end(), column);
    if (it == FOrder.end()) return;
    FOrder.erase(it);
    toPosition = std::clamp(toPosition, 0, static_cast<int>(FOrder.size()));
    FOrder.insert(FOrder.begin() + toPosition, column);
}

TVirtualTreeColumn* TVTHeader::Column(int index) const {
    return index >= 0 && index < Count() ? FColumns[static_cast<size_t>(index)].get() : nullptr;
}

void TVTCanvas::Rectangle(const TRect& r) {
    TColor32 c = Color32(PenColor);
    for (int i = 0; i < PenWidth; ++i)
        Painter->FrameRect({r.Left + i, r.Top + i, r.Right - i, r.Bottom - i}, c);
}

void TVTCanvas::StretchDraw(const TRect& r, const TZelSkinImage& image) {
    Painter->StretchDraw(r, image);
}

TVirtualTreeGrid::TVirtualTreeGrid() {
    FRoot.States = vsExpanded | vsHasChildren;
    FHeader.FOwner = this;
}

TVirtualTreeGrid::~TVirtualTreeGrid() {
    // The application's rows go with their nodes.
    while (!FRoot.Children.empty())
        FreeNode(FRoot.Children.back()), FRoot.Children.pop_back();
}

TVirtualNode* TVirtualTreeGrid::AddChild(TVirtualNode* parent, void* data, TVTNodeAttachMode mode) {
    if (!parent) parent = &FRoot;
    auto node = std::make_unique<TVirtualNode>();
    node->Parent = parent;
    node->Data = data;
    node->NodeHeight = DefaultNodeHeight;
    uint32_t initial = 0;
    if (OnInitNode) OnInitNode(this, parent == &FRoot ? nullptr : parent, node.get(), initial);
    node->States |= initial;
    TVirtualNode* raw = node.get();
    if (mode == amAddChildFirst) {
        parent->Children.insert(parent->Children.begin(), std::move(node));
        Renumber(parent, 0);
    } else {
        raw->SiblingIndex = static_cast<int>(parent->Children.size());
        parent->Children.push_back(std::move(node));
    }
    parent->States |= vsHasChildren;
    Invalidate();
    return raw;
}

void TVirtualTreeGrid::FreeNode(std::unique_ptr<TVirtualNode>& node) {
    while (!node->Children.empty()) {
        FreeNode(node->Children.back());
        node->Children.pop_back();
    }
    if (FFocused == node.get()) FFocused = nullptr;
    if (OnFreeNode) OnFreeNode(this, node.get());
}

void TVirtualTreeGrid::DeleteNode(TVirtualNode* node) {
    if (!node || node == &FRoot) return;
    TVirtualNode* parent = node->Parent;
    auto& siblings = parent->Children;
    const size_t at = static_cast<size_t>(node->Index());
    if (at >= siblings.size() || siblings[at].get() != node) return;
    std::unique_ptr<TVirtualNode> owned = std::move(siblings[at]);
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(at));
    Renumber(parent, at);
    FreeNode(owned);
    Invalidate();
}

void TVirtualTreeGrid::Renumber(TVirtualNode* parent, size_t from) {
    for (size_t i = from; i < parent->Children.size(); ++i)
        parent->Children[i]->SiblingIndex = static_cast<int>(i);
}

void TVirtualTreeGrid::DeleteSelectedNodes() {
    DeleteSelectedChildren(&FRoot);
    Invalidate();
}

// One pass over each level: a selected node goes with everything under it,
// in display order; what stays moves up in place.
void TVirtualTreeGrid::DeleteSelectedChildren(TVirtualNode* parent) {
    auto& children = parent->Children;
    size_t kept = 0;
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i]->States & vsSelected) {
            std::unique_ptr<TVirtualNode> owned = std::move(children[i]);
            FreeNode(owned);
            continue;
        }
        DeleteSelectedChildren(children[i].get());
        if (kept != i) children[kept] = std::move(children[i]);
        children[kept]->SiblingIndex = static_cast<int>(kept);
        ++kept;
    }
    children.resize(kept);
}

void TVirtualTreeGrid::Clear() {
    while (!FRoot.Children.empty()) {
        std::unique_ptr<TVirtualNode> owned = std::move(FRoot.Children.back());
        FRoot.Children.pop_back();
        FreeNode(owned);
    }
    FFocused = nullptr;
    FOffsetY = 0;
    Invalidate();
}

void TVirtualTreeGrid::CollectSelected(const TVirtualNode* node,
                                       std::vector<TVirtualNode*>& out) const {
    for (const auto& c : node->Children) {
        if (c->States & vsSelected) out.push_back(c.get());
        CollectSelected(c.get(), out);
    }
}

int TVirtualTreeGrid::SelectedCount() const {
    std::vector<TVirtualNode*> s;
    CollectSelected(&FRoot, s);
    return static_cast<int>(s.size());
}

const TVirtualNode* TVirtualTreeGrid::NextInTree(const TVirtualNode* node) const {
    if (!node->Children.empty()) return node->Children.front().get();
    for (; node && node != &FRoot; node = node->Parent) {
        const auto& siblings = node->Parent->Children;
        const size_t next = static_cast<size_t>(node->Index()) + 1;
        if (next < siblings.size()) return siblings[next].get();
    }
    return nullptr;
}

TVirtualNode* TVirtualTreeGrid::GetFirstSelected() const {
    return GetNextSelected(const_cast<TVirtualNode*>(&FRoot));
}

std::vector<TVirtualNode*> TVirtualTreeGrid::SelectedNodes() const {
    std::vector<TVirtualNode*> s;
    CollectSelected(&FRoot, s);
    return s;
}

// Walks on from the node: a walk over the whole selection with
// GetFirstSelected and GetNextSelected visits each node once.
TVirtualNode* TVirtualTreeGrid::GetNextSelected(TVirtualNode* node) const {
    if (!node) return nullptr;
    for (const TVirtualNode* n = NextInTree(node); n; n = NextInTree(n))
        if (n->States & vsSelected) return const_cast<TVirtualNode*>(n);
    return nullptr;
}

void TVirtualTreeGrid::SetSelected(TVirtualNode* node, bool selected) {
    if (!node) return;
    if (selected)
        node->States |= vsSelected;
    else
        node->States &= ~vsSelected;
    RepaintNode(node);
}

void TVirtualTreeGrid::ClearSelection() {
    std::vector<TVirtualNode*> s;
    CollectSelected(&FRoot, s);
    for (TVirtualNode* n : s)
        SetSelected(n, false);
}

void TVirtualTreeGrid::SetFocusedNode(TVirtualNode* node) {
    if (FFocused) RepaintNode(FFocused);
    FFocused = node;
    if (!node) return;
    // Keep the focused node in view.
    std::vector<TVirtualNode*> nodes = VisibleNodes();
    int top = 0;
    for (TVirtualNode* n : nodes) {
        if (n == node) break;
        top += n->NodeHeight;
    }
    int area = FHeight - (FHeader.Visible ? FHeader.Height : 0);
    if (top < FOffsetY)
        ScrollBy(top - FOffsetY);
    else if (top + node->NodeHeight > FOffsetY + area)
        ScrollBy(top + node->NodeHeight - FOffsetY - area);
    RepaintNode(node);
}

std::vector<TVirtualNode*> TVirtualTreeGrid::VisibleNodes() const {
    std::vector<TVirtualNode*> out;
    std::function<void(const TVirtualNode*)> walk = [&](const TVirtualNode* n) {
        for (const auto& c : n->Children) {
            out.push_back(c.get());
            if (c->States & vsExpanded) walk(c.get());
        }
    };
    walk(&FRoot);
    return out;
}

int TVirtualTreeGrid::TotalCount() const {
    std::function<int(const TVirtualNode*)> count = [&](const TVirtualNode* n) {
        int k = 0;
        for (const auto& c : n->Children)
            k += 1 + count(c.get());
        return k;
    };
    return count(&FRoot);
}

int TVirtualTreeGrid::Level(const TVirtualNode* node) const {
    int level = 0;
    for (const TVirtualNode* p = node->Parent; p && p != &FRoot; p = p->Parent)
        ++level;
    return level;
}

void TVirtualTreeGrid::Invalidate() {
    if (OnInvalidate) OnInvalidate({0, 0, FWidth, FHeight});
}

// The whole grid rather than the node's row: finding the row walks every
// node before it, and selecting all of a long list would walk it once per row.
// Repaints are composed once per frame however many ask.
void TVirtualTreeGrid::RepaintNode(TVirtualNode* node) {
    if (node && OnInvalidate) OnInvalidate({0, 0, FWidth, FHeight});
}

void TVirtualTreeGrid::InvalidateColumn(int column) {
    if (!OnInvalidate || !FHeader.Column(column)) return;
    int left = ColumnLeft(column);
    OnInvalidate({left, 0, left + FHeader.Column(column)->Width, FHeight});
}

void TVirtualTreeGrid::SortChildren(TVirtualNode* node, int column, TSortDirection direction) {
    auto less = [&](const std::unique_ptr<TVirtualNode>& a,
                    const std::unique_ptr<TVirtualNode>& b) {
        int result = 0;
        if (OnCompareNodes) OnCompareNodes(this, a.get(), b.get(), column, result);
        return direction == sdAscending ? result < 0 : result > 0;
    };
    // A stable merge sort: comparisons that never answer 0 still give a
    // well-defined order.
    std::stable_sort(node->Children.begin(), node->Children.end(), less);
    Renumber(node, 0);
    for (auto& c : node->Children)
        SortChildren(c.get(), column, direction);
}

void TVirtualTreeGrid::SortTree(int column, TSortDirection direction) {
    SortChildren(&FRoot, column, direction);
    Invalidate();
}

std::string TVirtualTreeGrid::GetText(TVirtualNode* node, int column) {
    std::string text = DefaultText;
    if (OnGetText) OnGetText(this, node, column, text);
    return text;
}

void TVirtualTreeGrid::SetClientSize(int width, int height) {
    FWidth = width;
    FHeight = height;
    FOffsetY = std::clamp(FOffsetY, 0, MaxOffset());
    Invalidate();
}

int TVirtualTreeGrid::ContentHeight() const {
    int h = 0;
    for (TVirtualNode* n : VisibleNodes())
        h += n->NodeHeight;
    return h;
}

int TVirtualTreeGrid::MaxOffset() const {
    int area = FHeight - (FHeader.Visible ? FHeader.Height : 0);
    return std::max(0, ContentHeight() - area);
}

bool TVirtualTreeGrid::ScrollBarShown() const {
    return MaxOffset() > 0;
}

void TVirtualTreeGrid::ScrollBy(int dy) {
    int next = std::clamp(FOffsetY + dy, 0, MaxOffset());
    if (next == FOffsetY) return;
    FOffsetY = next;
    Invalidate();
}

int TVirtualTreeGrid::ColumnLeft(int column) const {
    int x = 0;
    for (int i : FHeader.Order()) {
        if (i == column) break;
        if (FHeader.Column(i)->Visible()) x += FHeader.Column(i)->Width;
    }
    return x;
}

int TVirtualTreeGrid::ColumnAt(int x) const {
    int left = 0;
    for (int i : FHeader.Order()) {
        const TVirtualTreeColumn* c = FHeader.Column(i);
        if (!c->Visible()) continue;
        if (x >= left && x < left + c->Width) return i;
        left += c->Width;
    }
    return -1;
}

TRect TVirtualTreeGrid::NodeRect(TVirtualNode* node) const {
    int y = (FHeader.Visible ? FHeader.Height : 0) - FOffsetY;
    for (TVirtualNode* n : VisibleNodes()) {
        if (n == node) return {0, y, FWidth, y + n->NodeHeight};
        y += n->NodeHeight;
    }
    return {};
}

TVTHitInfo TVirtualTreeGrid::GetHitTestInfoAt(int x, int y) const {
    TVTHitInfo info;
    int top = FHeader.Visible ? FHeader.Height : 0;
    if (y < top || x >= FWidth - (ScrollBarShown() ? kScrollBarWidth : 0)) return info;
    int rowY = top - FOffsetY;
    for (TVirtualNode* n : VisibleNodes()) {
        if (y >= rowY && y < rowY + n->NodeHeight) {
            info.HitNode = n;
            info.HitColumn = ColumnAt(x);
            return info;
        }
        rowY += n->NodeHeight;
    }
    return info;
}

int TVirtualTreeGrid::HeaderColumnAt(int x, int y) const {
    if (!FHeader.Visible || y < 0 || y >= FHeader.Height) return -1;
    return ColumnAt(x);
}

void TVirtualTreeGrid::MouseDown(int x, int y, uint32_t shift, bool doubleClick) {
    if (FHeader.Visible && y >= 0 && y < FHeader.Height) {
        // Dragging a column's right edge resizes it.
        int left = 0;
        for (int i : FHeader.Order()) {
            TVirtualTreeColumn* c = FHeader.Column(i);
            if (!c->Visible()) continue;
            left += c->Width;
            if ((c->Options & coResizable) && std::abs(x - left) <= kResizeGrip) {
                FResizing = i;
                FResizeStartX = x;
                FResizeStartWidth = c->Width;
                return;
            }
        }
        FPressedHeader = HeaderColumnAt(x, y);
        FPressX = x;
        FDraggingHeader = false;
        return;
    }
    if (ScrollBarShown() && x >= FWidth - kScrollBarWidth) {
        // Paging on the track.
        int area = FHeight - (FHeader.Visible ? FHeader.Height : 0);
        TRect thumb = {};
        int top = FHeader.Visible ? FHeader.Height : 0;
        int thumbH = std::max(20, area * area / std::max(1, ContentHeight()));
        int thumbY = top + (area - thumbH) * FOffsetY / std::max(1, MaxOffset());
        thumb = {FWidth - kScrollBarWidth, thumbY, FWidth, thumbY + thumbH};
        if (y < thumb.Top)
            ScrollBy(-area);
        else if (y >= thumb.Bottom)
            ScrollBy(area);
        return;
    }
    TVTHitInfo hit = GetHitTestInfoAt(x, y);
    if (!hit.HitNode) return;
    if (doubleClick) {
        if (OnNodeDblClick) OnNodeDblClick(this, hit);
        return;
    }
    if (MultiSelect && (shift & ssCtrl)) {
        SetSelected(hit.HitNode, !(hit.HitNode->States & vsSelected));
    } else if (MultiSelect && (shift & ssShift) && FFocused) {
        std::vector<TVirtualNode*> nodes = VisibleNodes();
        auto a = std::find(nodes.begin(), nodes.end(), FFocused);
        auto b = std::find(nodes.begin(), nodes.end(), hit.HitNode);
        if (a > b) std::swap(a, b);
        ClearSelection();
        for (auto it = a; it != nodes.end() && it <= b; ++it)
            SetSelected(*it, true);
    } else {
        ClearSelection();
        SetSelected(hit.HitNode, true);
    }
    SetFocusedNode(hit.HitNode);
    if (OnNodeClick) OnNodeClick(this, hit);
}

void TVirtualTreeGrid::MouseMove(int x, int) {
    // A pressed header dragged sideways moves its column instead of clicking it.
    if (FPressedHeader >= 0 && std::abs(x - FPressX) > 5) FDraggingHeader = true;
    if (FResizing < 0) return;
    FHeader.Column(FResizing)->Width = std::max(10, FResizeStartWidth + x - FResizeStartX);
    Invalidate();
}

void TVirtualTreeGrid::MouseUp(int x, int y) {
    if (FResizing >= 0) {
        FResizing = -1;
        return;
    }
    int pressed = FPressedHeader;
    FPressedHeader = -1;
    if (pressed >= 0 && FDraggingHeader) {
        FDraggingHeader = false;
        int target = ColumnAt(x);
        if (target >= 0 && target != pressed) {
            const auto& order = FHeader.Order();
            int to =
                static_cast<int>(std::find(order.begin(), order.end(), target) - order.begin());
            FHeader.MoveColumn(pressed, to);
            Invalidate();
        }
        return;
    }
    if (pressed < 0 || HeaderColumnAt(x, y) != pressed) return;
    // A column that is not clickable reports no column.
    TVirtualTreeColumn* c = FHeader.Column(pressed);
    if (OnHeaderClick) OnHeaderClick(this, c && (c->Options & coAllowClick) ? pressed : -1);
}

void TVirtualTreeGrid::MouseWheel(int delta) {
    ScrollBy(-delta / 120 * 3 * DefaultNodeHeight);
}

void TVirtualTreeGrid::KeyDown(uint16_t key, uint32_t shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
    if (key == 0) return;
    std::vector<TVirtualNode*> nodes = VisibleNodes();
    if (nodes.empty()) return;
    auto it = std::find(nodes.begin(), nodes.end(), FFocused);
    long pos = it == nodes.end() ? -1 : it - nodes.begin();
    long page = std::max(1, (FHeight - (FHeader.Visible ? FHeader.Height : 0)) / DefaultNodeHeight);
    long next = pos;
    switch (key) {
    case VK_UP:
        next = pos <= 0 ? 0 : pos - 1;
        break;
    case VK_DOWN:
        next = std::min<long>(pos + 1, static_cast<long>(nodes.size()) - 1);
        break;
    case VK_HOME:
        next = 0;
        break;
    case VK_END:
        next = static_cast<long>(nodes.size()) - 1;
        break;
    case VK_PRIOR:
        next = std::max<long>(0, pos - page);
        break;
    case VK_NEXT:
        next = std::min<long>(static_cast<long>(nodes.size()) - 1, pos + page);
        break;
    default:
        return;
    }
    if (next < 0) return;
    ClearSelection();
    SetSelected(nodes[static_cast<size_t>(next)], true);
    SetFocusedNode(nodes[static_cast<size_t>(next)]);
}

TVirtualTreeGrid::Hint TVirtualTreeGrid::HintAt(int x, int y) {
    Hint h;
    if (!ShowHint) return h;
    TVTHitInfo hit = GetHitTestInfoAt(x, y);
    if (!hit.HitNode || hit.HitColumn < 0) return h;
    h.node = hit.HitNode;
    h.column = hit.HitColumn;
    if (OnGetHintKind) OnGetHintKind(this, h.node, h.column, h.kind);
    if (h.kind == vhkOwnerDraw) {
        TRect r{};
        if (OnGetHintSize) OnGetHintSize(this, h.node, h.column, r);
        h.size = {r.Width(), r.Height()};
        h.show = !r.IsEmpty();
        return h;
    }
    if (OnGetHint) OnGetHint(this, h.node, h.column, h.text);
    h.show = !h.text.empty();
    if (h.show) {
        TSize s = TextExtent(Font, h.text);
        h.size = {s.cx + 8, s.cy + 6};
    }
    return h;
}

void TVirtualTreeGrid::PaintHint(TZelPainter& painter, const Hint& hint) {
    TRect r{0, 0, hint.size.cx, hint.size.cy};
    painter.FillRect(r, Color32(clInfoBk));
    if (hint.kind == vhkOwnerDraw) {
        TVTCanvas canvas{&painter, Font};
        if (OnDrawHint) OnDrawHint(this, canvas, hint.node, r, hint.column);
        return;
    }
    painter.FrameRect(r, Color32(clInfoText));
    TRect text{4, 3, r.Right - 4, r.Bottom - 3};
    TZelFont font = Font;
    font.SetColor(clInfoText);
    DrawText(painter, font, hint.text, text, tfSingleLine | tfNoPrefix);
}

void TVirtualTreeGrid::Paint(TZelPainter& painter) {
    painter.FillRect({0, 0, FWidth, FHeight}, Color32(Color));
    PaintNodes(painter);
    if (FHeader.Visible) PaintHeader(painter);
    PaintScrollBar(painter);
}

void TVirtualTreeGrid::PaintHeader(TZelPainter& painter) {
    int h = FHeader.Height;
    painter.GradientVertical({0, 0, FWidth, h}, kHeaderTop, kHeaderBottom);
    painter.HorzLine(0, FWidth - 1, h - 1, kHeaderLine);
    int left = 0;
    for (int i : FHeader.Order()) {
        TVirtualTreeColumn* c = FHeader.Column(i);
        if (!c->Visible()) continue;
        TRect cell{left, 0, left + c->Width, h - 1};
        painter.VertLine(cell.Right - 1, 3, h - 4, kHeaderLine);
        TRect text{cell.Left + c->Margin, cell.Top, cell.Right - c->Margin, cell.Bottom};
        bool sorted = FHeader.SortColumn == i;
        if (sorted) text.Right -= 10;
        TTextFormat align = c->CaptionAlignment == taCenter         ? tfCenter
                            : c->CaptionAlignment == taRightJustify ? tfRight
                                                                    : tfLeft;
        DrawText(painter, Font, c->Text, text,
                 align | tfSingleLine | tfVerticalCenter | tfEndEllipsis | tfNoPrefix);
        if (sorted) {
            // A small triangle: up for ascending, down for descending.
            int cx = cell.Right - 10, cy = h / 2;
            for (int k = 0; k < 4; ++k) {
                int y = FHeader.SortDirection == sdAscending ? cy - 2 + k : cy + 1 - k;
                painter.HorzLine(cx - k, cx + k, y, Color32(96, 110, 128));
            }
        }
        left += c->Width;
    }
}

void TVirtualTreeGrid::PaintNodes(TZelPainter& painter) {
    int top = FHeader.Visible ? FHeader.Height : 0;
    int right = FWidth - (ScrollBarShown() ? kScrollBarWidth : 0);
    painter.Save();
    painter.IntersectClip({0, top, right, FHeight});
    int y = top - FOffsetY;
    for (TVirtualNode* node : VisibleNodes()) {
        int h = node->NodeHeight;
        if (y >= FHeight) break;
        if (y + h > top) {
            TRect row{0, y, right, y + h};
            if (node->States & vsSelected) {
                painter.FillRect(row, kSelection);
                if (node == FFocused) painter.FrameRect(row, kSelectionFrame);
            }
            int left = 0;
            for (int i : FHeader.Order()) {
                TVirtualTreeColumn* c = FHeader.Column(i);
                if (!c->Visible()) continue;
                TRect cell{left, y, left + c->Width, y + h};
                TVTCanvas canvas{&painter, Font};
                bool defaultDraw = true;
                std::string text = GetText(node, i);
                if (OnPaintText) OnPaintText(this, canvas, node, i, defaultDraw);
                if (defaultDraw) {
                    int indent = i == 0 ? Indent * Level(node) : 0;
                    TRect tr{cell.Left + c->Margin + indent, cell.Top, cell.Right - c->Margin,
                             cell.Bottom};
                    TTextFormat align = c->Alignment == taCenter         ? tfCenter
                                        : c->Alignment == taRightJustify ? tfRight
                                                                         : tfLeft;
                    TTextFormat fmt = align | tfNoPrefix | tfEndEllipsis;
                    fmt |= (node->States & vsMultiline) && text.find('\n') != std::string::npos
                               ? tfWordBreak
                               : tfSingleLine | tfVerticalCenter;
                    painter.Save();
                    painter.IntersectClip(cell);
                    DrawText(painter, canvas.Font, text, tr, fmt);
                    painter.Restore();
                }
                if (ShowVertGridLines)
                    painter.VertLine(cell.Right - 1, cell.Top, cell.Bottom - 1,
                                     Color32(GridLineColor));
                left += c->Width;
            }
            if (ShowHorzGridLines)
                painter.HorzLine(0, right - 1, y + h - 1, Color32(GridLineColor));
        }
        y += h;
    }
    painter.Restore();
}

void TVirtualTreeGrid::PaintScrollBar(TZelPainter& painter) {
    if (!ScrollBarShown()) return;
    int top = FHeader.Visible ? FHeader.Height : 0;
    int area = FHeight - top;
    TRect track{FWidth - kScrollBarWidth, top, FWidth, FHeight};
    painter.FillRect(track, kScrollTrack);
    int thumbH = std::max(20, area * area / std::max(1, ContentHeight()));
    int thumbY = top + (area - thumbH) * FOffsetY / std::max(1, MaxOffset());
    painter.FillRoundRectSmooth({track.Left + 2, thumbY + 1, track.Right - 2, thumbY + thumbH - 1},
                                3, 3, kScrollThumb);
}
