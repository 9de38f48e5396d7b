// The grid and the busy indicator on a headless window.
#include "gui/Controls.h"
#include "gui/HeadlessBackend.h"
#include "gui/Timers.h"
#include "skin/ZelSkinDC.h"
#include "ui/BusyIndicator.h"
#include "ui/UnitVTGridProxy.h"
#include "ui/VirtualStringTree.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace gui;

namespace {

class Row : public rtti::TObject {
public:
    std::string Name;
    static const rtti::ClassInfo& Info() {
        static const rtti::ClassInfo info = [] {
            rtti::ClassInfo ci("Row", nullptr);
            rtti::Props<Row>{ci}.String("Name", [](const Row& r) { return r.Name; });
            return ci;
        }();
        return info;
    }
    const rtti::ClassInfo& GetClassInfo() const override { return Info(); }
};

class OnAWindow : public ::testing::Test {
protected:
    THeadlessBackend* screen = UseHeadlessBackend(1280, 800);
    uint64_t now = 1000;
    TWindow window;
    TVirtualStringTree tree{&window};
    TVTProxyGrid proxy;
    std::vector<Row> rows;

    void SetUp() override {
        SetTimerClock([this] { return now; });
        window.SetBorderStyle(bsNone);
        window.SetBounds(100, 100, 300, 200);
        tree.SetBounds(0, 0, 300, 200);
        proxy.AttachGrid(&tree.Grid(), &Row::Info(), true);
        proxy.AddColumnDetail("Name", "Name", 150, true);
        rows.resize(30);
        for (size_t i = 0; i < rows.size(); ++i)
            rows[i].Name = "row " + std::to_string(i);
        for (auto& r : rows)
            proxy.AddRowData(&r);
        window.Show();
        Application()->ProcessMessages();
    }
    void TearDown() override { SetTimerClock(nullptr); }
    void Advance(uint64_t ms) {
        now += ms;
        Application()->ProcessMessages();
    }
    // Screen point of a grid point.
    POINT At(int x, int y) { return tree.ClientToScreen({x, y}); }
};

TEST_F(OnAWindow, ClicksSelectRowsAndTheWheelScrolls) {
    TRect second = tree.Grid().NodeRect(proxy.RowDataList()[1]->BindNode);
    POINT p = At(60, second.Top + 5);
    screen->Click(p.x, p.y);
    ASSERT_NE(proxy.GetSelectedRowData(), nullptr);
    EXPECT_EQ(proxy.GetSelectedRowData()->ToString(), "row 1");
    EXPECT_TRUE(tree.Focused());

    screen->KeyPress(VK_DOWN);
    EXPECT_EQ(proxy.GetSelectedRowData()->ToString(), "row 2");

    EXPECT_EQ(tree.Grid().OffsetY(), 0);
    screen->Wheel(p.x, p.y, -120);
    EXPECT_GT(tree.Grid().OffsetY(), 0);

    // What is on the screen is the grid: the header row is drawn.
    Application()->ProcessMessages();
    TSurface shot = screen->ScreenImage();
    EXPECT_NE(shot.Pixel(105, 105), shot.Pixel(105, 160));
}

TEST_F(OnAWindow, HintShowsAfterThePointerRests) {
    proxy.GetColumn("Name")->ShowHint = true;
    TRect first = tree.Grid().NodeRect(proxy.RowDataList()[0]->BindNode);
    POINT p = At(60, first.Top + 5);
    screen->MouseMove(p.x, p.y);
    Application()->ProcessMessages();
    TSurface before = screen->ScreenImage();
    Advance(TVirtualStringTree::kHintDelayMs + 10);
    TSurface after = screen->ScreenImage();
    int changed = 0;
    for (int y = p.y; y < p.y + 40; ++y)
        for (int x = p.x; x < p.x + 80; ++x)
            changed += before.Pixel(x, y) != after.Pixel(x, y);
    EXPECT_GT(changed, 50);
}

TEST_F(OnAWindow, BusyIndicatorAdvancesEvery40Ms) {
    // White dots show on the blue of the checking window, not on the white grid.
    tree.SetWidth(150);
    window.SetColor(0xFF0080BD);
    TBusyIndicator act(&window);
    act.SetBounds(200, 100, 32, 32);
    act.SetAnimate(true);
    Application()->ProcessMessages();
    int frame = act.Frame();
    Advance(TBusyIndicator::kFrameMs);
    EXPECT_EQ(act.Frame(), frame + 1);
    TSurface a = screen->ScreenImage();
    Advance(TBusyIndicator::kFrameMs * 6);
    TSurface b = screen->ScreenImage();
    int changed = 0;
    for (int y = 200; y < 232; ++y)
        for (int x = 300; x < 332; ++x)
            changed += a.Pixel(x, y) != b.Pixel(x, y);
    EXPECT_GT(changed, 0);
}

} // namespace

namespace {

// Display order of the whole tree as the nodes' data (an int each).
std::vector<intptr_t> Order(TVirtualTreeGrid& grid) {
    std::vector<intptr_t> out;
    std::function<void(TVirtualNode*)> walk = [&](TVirtualNode* n) {
        for (size_t i = 0; i < n->Children.size(); ++i) {
            EXPECT_EQ(n->Children[i]->Index(), static_cast<int>(i)) << "stale sibling index";
            out.push_back(reinterpret_cast<intptr_t>(n->Children[i]->Data));
            walk(n->Children[i].get());
        }
    };
    walk(grid.RootNode());
    return out;
}

std::vector<intptr_t> WalkSelection(TVirtualTreeGrid& grid) {
    std::vector<intptr_t> out;
    for (TVirtualNode* n = grid.GetFirstSelected(); n; n = grid.GetNextSelected(n))
        out.push_back(reinterpret_cast<intptr_t>(n->Data));
    return out;
}

TEST(TreeGrid, SelectionWalksAndEditsKeepDisplayOrderAndSiblingIndices) {
    UseHeadlessBackend(640, 480);
    TWindow window;
    TVirtualStringTree tree{&window};
    TVirtualTreeGrid& grid = tree.Grid();
    auto data = [](intptr_t v) { return reinterpret_cast<void*>(v); };
    // 1 (2, 3 (4)), 5, 6; then 0 put first.
    TVirtualNode* one = grid.AddChild(nullptr, data(1));
    grid.AddChild(one, data(2));
    TVirtualNode* three = grid.AddChild(one, data(3));
    grid.AddChild(three, data(4));
    TVirtualNode* five = grid.AddChild(nullptr, data(5));
    grid.AddChild(nullptr, data(6));
    grid.AddChild(nullptr, data(0), amAddChildFirst);
    EXPECT_EQ(Order(grid), (std::vector<intptr_t>{0, 1, 2, 3, 4, 5, 6}));

    EXPECT_EQ(grid.GetFirstSelected(), nullptr);
    for (TVirtualNode* n : {three, five, one->Children[0].get(), three->Children[0].get()})
        grid.SetSelected(n, true);
    EXPECT_EQ(WalkSelection(grid), (std::vector<intptr_t>{2, 3, 4, 5}));
    EXPECT_EQ(grid.SelectedCount(), 4);

    // A selected node goes with what is under it; the rest close up.
    grid.DeleteSelectedNodes();
    EXPECT_EQ(Order(grid), (std::vector<intptr_t>{0, 1, 6}));
    EXPECT_EQ(grid.GetFirstSelected(), nullptr);

    grid.OnCompareNodes = [](TVirtualTreeGrid*, TVirtualNode* a, TVirtualNode* b, int,
                             int& result) {
        result = static_cast<int>(reinterpret_cast<intptr_t>(a->Data) -
                                  reinterpret_cast<intptr_t>(b->Data));
    };
    grid.SortTree(0, sdDescending);
    EXPECT_EQ(Order(grid), (std::vector<intptr_t>{6, 1, 0}));
    grid.DeleteNode(grid.RootNode()->Children[1].get());
    EXPECT_EQ(Order(grid), (std::vector<intptr_t>{6, 0}));
}

} // namespace
