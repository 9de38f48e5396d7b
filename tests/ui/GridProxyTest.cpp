#include "TestSupport.h"
#include "gui/Clipboard.h"
#include "skin/ZelSkinPng.h"
#include "ui/UnitVTGridProxy.h"
#include "update/UnitDownloadFileItem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

namespace {

enum class TKind { kLow, kHigh };

// A model with one property of each kind the proxy reads.
class TModel : public rtti::TObject {
public:
    std::string Name;
    int32_t Count = 0;
    int64_t Big = 0;
    double Ratio = 0;
    bool Flag = false;
    TKind Kind = TKind::kLow;
    uint64_t Tags = 0;
    TMemoryStream Picture;

    static const rtti::ClassInfo& StaticClassInfo() {
        static const rtti::ClassInfo info = [] {
            rtti::ClassInfo ci("TModel", nullptr);
            rtti::Props<TModel>{ci}
                .String("Name", [](const TModel& m) { return m.Name; })
                .Integer("Count", [](const TModel& m) { return m.Count; })
                .Int64("Big", [](const TModel& m) { return m.Big; })
                .Float("Ratio", [](const TModel& m) { return m.Ratio; })
                .Boolean("Flag", [](const TModel& m) { return m.Flag; })
                .Enumeration("Kind", {"kLow", "kHigh"},
                             [](const TModel& m) { return static_cast<int>(m.Kind); })
                .Set("Tags", {"tgA", "tgB", "tgC"}, [](const TModel& m) { return m.Tags; })
                .Object("Picture", "TMemoryStream",
                        [](const TModel& m) -> const void* { return &m.Picture; });
            return ci;
        }();
        return info;
    }
    const rtti::ClassInfo& GetClassInfo() const override { return StaticClassInfo(); }
};

TModel Model(std::string name, int count, double ratio = 0, bool flag = false,
             TKind kind = TKind::kLow) {
    TModel m;
    m.Name = std::move(name);
    m.Count = count;
    m.Ratio = ratio;
    m.Flag = flag;
    m.Kind = kind;
    return m;
}

class GridProxy : public ::testing::Test {
protected:
    TVirtualTreeGrid grid;
    TVTProxyGrid proxy;
    std::vector<std::unique_ptr<TModel>> models;

    void SetUp() override {
        grid.SetClientSize(400, 300);
        proxy.AttachGrid(&grid, &TModel::StaticClassInfo(), true);
    }
    TModel* Keep(TModel m) {
        models.push_back(std::make_unique<TModel>(std::move(m)));
        return models.back().get();
    }
    std::string Cell(TVTRowData* row, int gridColumn) {
        return grid.GetText(row->BindNode, gridColumn);
    }
    // Clicks the header of a grid column through the grid's own input path.
    void ClickHeader(int gridColumn) {
        int x = grid.Header().Column(gridColumn)->HeaderRect().Left + 10;
        grid.MouseDown(x, 5, 0, false);
        grid.MouseUp(x, 5);
    }
    std::vector<std::string> ColumnTexts(int gridColumn) {
        std::vector<std::string> out;
        for (TVirtualNode* n : grid.VisibleNodes())
            out.push_back(grid.GetText(n, gridColumn));
        return out;
    }
};

TEST_F(GridProxy, AttachingSetsTheGridUp) {
    EXPECT_EQ(grid.Header().Height, 25);
    EXPECT_TRUE(grid.Header().Visible);
    EXPECT_EQ(grid.DefaultText, "-");
    EXPECT_EQ(grid.Indent, 5);
    EXPECT_TRUE(grid.FullRowSelect);
    EXPECT_TRUE(grid.ShowHorzGridLines && grid.ShowVertGridLines);
    EXPECT_EQ(grid.GridLineColor, clScrollBar);
    ASSERT_EQ(grid.Header().Count(), 1);
    const TVirtualTreeColumn* number = grid.Header().Column(0);
    EXPECT_EQ(number->Text, "#");
    EXPECT_EQ(number->Width, 40);
    EXPECT_EQ(number->Margin, 5);
    EXPECT_TRUE(proxy.ShowRowNumber());
}

TEST_F(GridProxy, CellsShowTheLoadedValues) {
    proxy.AddColumn("Name", "Name");
    proxy.AddColumn("Count", "count"); // property names in any ASCII case
    proxy.AddColumn("Big", "Big");
    proxy.AddColumn("Ratio", "Ratio");
    proxy.AddColumn("Flag", "Flag");
    proxy.AddColumn("Kind", "Kind");
    proxy.AddColumn("Tags", "Tags");
    proxy.AddColumn("Free", "");
    TModel* m = Keep(Model("", 7, 2.0 / 3, true, TKind::kHigh));
    m->Big = 1LL << 40;
    m->Tags = 0b101;
    TVTRowData* row = proxy.AddRowData(m);
    EXPECT_EQ(Cell(row, 0), "1");
    EXPECT_EQ(Cell(row, 1), ""); // an empty text is a blank cell
    EXPECT_EQ(Cell(row, 2), "7");
    EXPECT_EQ(Cell(row, 3), "1099511627776");
    EXPECT_EQ(Cell(row, 4), "0.67");
    EXPECT_EQ(Cell(row, 5), "True");
    EXPECT_EQ(Cell(row, 6), "kHigh");
    EXPECT_EQ(Cell(row, 7), "tgA,tgC");
    EXPECT_EQ(Cell(row, 8), ""); // unbound: an empty slot
    // A grid column without a proxy column keeps the default text.
    grid.Header().AddColumn()->Text = "extra";
    EXPECT_EQ(Cell(row, 9), "-");
    // Copies and hints use the general format.
    EXPECT_EQ(row->ToString(), ",7,1099511627776,0.666666666666667,True,kHigh,tgA,tgC,");
}

TEST_F(GridProxy, UnknownPropertyIsRefusedWithItsName) {
    try {
        proxy.AddColumn("x", "NoSuchProperty");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "绑定属性[NoSuchProperty]不存在");
    }
    EXPECT_EQ(grid.Header().Count(), 2); // the grid column was appended first
}

TEST_F(GridProxy, HeaderClicksSortAscendingDescendingAscending) {
    proxy.AddColumnDetail("Name", "Name", 80, true);
    proxy.AddColumnDetail("Count", "Count", 80, true);
    for (auto [n, c] : std::vector<std::pair<std::string, int>>{{"b", 2}, {"C", 3}, {"a", 1}})
        proxy.AddRowData(Keep(Model(n, c)));
    ClickHeader(1);
    EXPECT_THAT(ColumnTexts(1), ElementsAre("a", "b", "C")); // a to z folded
    EXPECT_EQ(grid.Header().SortColumn, 1);
    EXPECT_EQ(grid.Header().SortDirection, sdAscending);
    EXPECT_THAT(ColumnTexts(0), ElementsAre("1", "2", "3")); // numbers in display order
    ClickHeader(1);
    EXPECT_THAT(ColumnTexts(1), ElementsAre("C", "b", "a"));
    EXPECT_EQ(grid.Header().SortDirection, sdDescending);
    ClickHeader(1);
    EXPECT_THAT(ColumnTexts(1), ElementsAre("a", "b", "C"));
    ClickHeader(2);
    EXPECT_THAT(ColumnTexts(2), ElementsAre("1", "2", "3"));
}

TEST_F(GridProxy, HeaderColumnsAreResizedAndDraggedByTheMouse) {
    proxy.AddColumnDetail("Name", "Name", 100, true);
    proxy.AddColumnDetail("Count", "Count", 80, true);
    proxy.AddRowData(Keep(Model("b", 2)));
    proxy.AddRowData(Keep(Model("a", 1)));
    // The right edge of "Name" (40 + 100) dragged 30 pixels to the right.
    grid.MouseDown(140, 5, 0, false);
    grid.MouseMove(170, 5);
    grid.MouseUp(170, 5);
    EXPECT_EQ(grid.Header().Column(1)->Width, 130);
    // "Count" dragged onto "Name": it moves left of it, keeps its index and
    // does not sort.
    int countX = grid.Header().Column(2)->HeaderRect().Left + 20;
    int nameX = grid.Header().Column(1)->HeaderRect().Left + 20;
    grid.MouseDown(countX, 5, 0, false);
    grid.MouseMove(nameX, 5);
    grid.MouseUp(nameX, 5);
    EXPECT_THAT(grid.Header().Order(), ElementsAre(0, 2, 1));
    EXPECT_EQ(grid.Header().SortColumn, -1);
    EXPECT_EQ(grid.ColumnAt(nameX), 2);
    EXPECT_EQ(grid.GetText(proxy.RowDataList()[0]->BindNode, 2), "2");
}

TEST_F(GridProxy, ColumnsThatAreNotSortableIgnoreClicks) {
    proxy.AddColumnDetail("Name", "Name", 80, false);
    proxy.AddRowData(Keep(Model("b", 0)));
    proxy.AddRowData(Keep(Model("a", 0)));
    ClickHeader(1);
    EXPECT_THAT(ColumnTexts(1), ElementsAre("b", "a"));
    EXPECT_EQ(grid.Header().SortColumn, -1);
}

TEST_F(GridProxy, CompareAnswers) {
    TVTProxyColumn* count = proxy.AddColumn("Count", "Count");
    TVTProxyColumn* ratio = proxy.AddColumn("Ratio", "Ratio");
    TVTProxyColumn* kind = proxy.AddColumn("Kind", "Kind");
    TVTProxyColumn* flag = proxy.AddColumn("Flag", "Flag");
    TVTProxyColumn* name = proxy.AddColumn("Name", "Name");
    TVTRowData* a = proxy.AddRowData(Keep(Model("abc", 5, 1.5, false, TKind::kHigh)));
    TVTRowData* b = proxy.AddRowData(Keep(Model("ABD", 5, 2.5, true, TKind::kLow)));
    EXPECT_EQ(count->Compare(a, b), 1); // equal numbers answer 1, never 0
    EXPECT_EQ(count->Compare(b, a), 1);
    EXPECT_EQ(ratio->Compare(a, b), -1);
    EXPECT_EQ(ratio->Compare(b, a), 1);
    EXPECT_EQ(kind->Compare(a, b), 1); // enumerations do not order
    EXPECT_EQ(kind->Compare(b, a), 1);
    EXPECT_EQ(flag->Compare(b, a), 1);
    EXPECT_EQ(name->Compare(a, b), 'C' - 'D');
    EXPECT_EQ(name->Compare(a, a), 0);
}

TEST_F(GridProxy, CheckColumnToggles) {
    proxy.AddCheckColumn();
    proxy.AddColumn("Name", "Name");
    TVTRowData* a = proxy.AddRowData(Keep(Model("a", 0)));
    TVTRowData* b = proxy.AddRowData(Keep(Model("b", 0)));
    EXPECT_EQ(proxy.MapColumnIndex(1), -2);
    EXPECT_EQ(proxy.MapColumnIndex(2), 0);
    EXPECT_EQ(Cell(a, 1), " ");
    EXPECT_EQ(Cell(a, 2), "a");
    ClickHeader(1);
    EXPECT_EQ(grid.Header().Column(1)->Text, "√");
    EXPECT_TRUE(a->Checked() && b->Checked());
    EXPECT_EQ(Cell(a, 1), "√");
    ClickHeader(1);
    EXPECT_EQ(grid.Header().Column(1)->Text, "勾选");
    EXPECT_FALSE(a->Checked() || b->Checked());
    // A click on one row's check cell inverts only that row.
    TRect r = grid.NodeRect(b->BindNode);
    grid.MouseDown(grid.Header().Column(1)->HeaderRect().Left + 5, r.Top + 3, 0, false);
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());
    EXPECT_THAT(*proxy.GetCheckedRowList(), ElementsAre(b));
}

TEST_F(GridProxy, RowNumbersRestartUnderEachParent) {
    proxy.SetTreeViewStyle();
    proxy.AddColumn("Name", "Name");
    TVTRowData* p1 = proxy.AddRowData(Keep(Model("p1", 0)));
    TVTRowData* c1 = proxy.AddChildRowData(p1, Keep(Model("c1", 0)));
    TVTRowData* c2 = proxy.AddChildRowData(p1, Keep(Model("c2", 0)));
    TVTRowData* p2 = proxy.AddRowData(Keep(Model("p2", 0)));
    TVTRowData* c3 = proxy.AddTerminalRowData(p2, Keep(Model("c3", 0)));
    EXPECT_EQ(Cell(p1, 0), "1");
    EXPECT_EQ(Cell(c1, 0), "1");
    EXPECT_EQ(Cell(c2, 0), "2");
    EXPECT_EQ(Cell(p2, 0), "2");
    EXPECT_EQ(Cell(c3, 0), "1");
    EXPECT_EQ(c2->Level, 1);
    EXPECT_TRUE(p1->BindNode->States & vsHasChildren);
    EXPECT_FALSE(c3->BindNode->States & vsHasChildren);
}

TEST_F(GridProxy, AddRowDataTopMakesLaterChildrenGoFirst) {
    proxy.AddColumn("Name", "Name");
    proxy.AddRowData(Keep(Model("last", 0)));
    proxy.AddRowDataTop(Keep(Model("top", 0)));
    proxy.AddChildRowData(nullptr, Keep(Model("first", 0)));
    EXPECT_THAT(ColumnTexts(1), ElementsAre("first", "top", "last"));
}

TEST_F(GridProxy, CopySelectedRowsAsText) {
    proxy.AddColumn("Name", "Name");
    proxy.AddColumn("Count", "Count");
    TVTRowData* a = proxy.AddRowData(Keep(Model("a", 1)));
    TVTRowData* b = proxy.AddRowData(Keep(Model("b", 2)));
    proxy.AddRowData(Keep(Model("c", 3)));
    gui::SetClipboardText("old");
    proxy.CopySelected();
    EXPECT_EQ(gui::GetClipboardText(), ""); // nothing selected, nothing focused

    grid.SetSelected(a->BindNode, true);
    grid.SetSelected(b->BindNode, true);
    grid.KeyDown(67, ssCtrl); // Ctrl+C reaches the proxy
    EXPECT_EQ(gui::GetClipboardText(), "a,1\r\nb,2");
}

TEST_F(GridProxy, DeleteKeyOnlyWhenEnabled) {
    proxy.AddColumn("Name", "Name");
    TVTRowData* a = proxy.AddRowData(Keep(Model("a", 1)));
    proxy.AddRowData(Keep(Model("b", 2)));
    grid.SetSelected(a->BindNode, true);
    grid.KeyDown(46, 0);
    EXPECT_EQ(proxy.RowDataList().size(), 2u);
    proxy.SetEnableDeleteKey(true);
    grid.KeyDown(46, 0);
    ASSERT_EQ(proxy.RowDataList().size(), 1u);
    EXPECT_EQ(Cell(proxy.RowDataList()[0].get(), 1), "b");
}

TEST_F(GridProxy, ColumnsAreFoundWithoutRegardToAsciiCase) {
    proxy.AddColumn("FileName", "Name");
    proxy.AddColumn("文件名", "Name");
    EXPECT_EQ(proxy.GetColumn("filename"), proxy.PropxyColumnList()[0].get());
    EXPECT_EQ(proxy.GetColumn("文件名"), proxy.PropxyColumnList()[1].get());
    EXPECT_EQ(proxy.GetColumn("other"), nullptr);
}

TEST_F(GridProxy, RowsFoundByKeyText) {
    proxy.AddColumn("Name", "Name");
    proxy.AddColumn("Ratio", "Ratio");
    proxy.AddRowData(Keep(Model("a", 0, 0.5)));
    TVTRowData* b = proxy.AddRowData(Keep(Model("b", 0, 1.25)));
    proxy.SetKeyColumn("name");
    EXPECT_EQ(proxy.GetRowData(TCellValue::Text("b")), b);
    EXPECT_EQ(proxy.GetRowData(TCellValue::Text("B")), nullptr);
    EXPECT_EQ(proxy.GetRowDataByColumn("Ratio", TCellValue::Float(1.25)), b);
    EXPECT_EQ(proxy.GetRowDataByColumn("none", TCellValue::Text("b")), nullptr);
}

TEST_F(GridProxy, PicturesFromStreams) {
    TZelSkinImage image;
    image.SetSize(4, 4);
    testsupport::TempDir dir;
    ASSERT_TRUE(SavePngToFile(image, dir / "p.png"));
    proxy.AddColumn("Picture", "Picture");
    TModel* withPicture = Keep(Model("p", 0));
    withPicture->Picture.Data = testsupport::ReadFile(dir / "p.png");
    TModel* empty = Keep(Model("e", 0));
    TVTRowData* row = proxy.AddRowData(withPicture);
    TVTRowData* none = proxy.AddRowData(empty);
    EXPECT_TRUE(proxy.PropxyColumnList()[0]->IsDataImage());
    EXPECT_FALSE(grid.Header().Column(1)->Options & coResizable);
    EXPECT_EQ(Cell(row, 1), " ");
    ASSERT_EQ(row->Values[0].kind, TCellValue::Kind::Object);
    EXPECT_NE(row->Values[0].object, nullptr);
    EXPECT_EQ(none->Values[0].object, nullptr);
    // A stream that is not a picture leaves the slot as it was.
    withPicture->Picture.Data = "not a picture";
    const void* before = row->Values[0].object;
    proxy.RefreshRowData(row, withPicture);
    EXPECT_EQ(row->Values[0].object, before);
    // The hint of a picture cell is owner-drawn and 150 x 150.
    TRect r = grid.NodeRect(row->BindNode);
    auto hint = grid.HintAt(grid.Header().Column(1)->HeaderRect().Left + 5, r.Top + 2);
    EXPECT_TRUE(hint.show);
    EXPECT_EQ(hint.kind, vhkOwnerDraw);
    EXPECT_EQ(hint.size, (TSize{150, 150}));
}

TEST_F(GridProxy, HintsOfferTheCellText) {
    TVTProxyColumn* col = proxy.AddColumn("Ratio", "Ratio");
    TVTRowData* row = proxy.AddRowData(Keep(Model("x", 0, 0.125)));
    int x = grid.Header().Column(1)->HeaderRect().Left + 5,
        y = grid.NodeRect(row->BindNode).Top + 2;
    EXPECT_FALSE(grid.HintAt(x, y).show);
    col->ShowHint = true;
    auto hint = grid.HintAt(x, y);
    EXPECT_TRUE(hint.show);
    EXPECT_EQ(hint.text, "0.125"); // general format, the cell shows "0.13"
}

TEST_F(GridProxy, ClearDataAndDeletingFreeTheRows) {
    proxy.AddColumn("Name", "Name");
    TVTRowData* a = proxy.AddRowData(Keep(Model("a", 0)));
    proxy.AddRowData(Keep(Model("b", 0)));
    proxy.DeleteRowData(a);
    EXPECT_EQ(proxy.RowDataList().size(), 1u);
    EXPECT_EQ(grid.TotalCount(), 1);
    proxy.ClearData();
    EXPECT_TRUE(proxy.RowDataList().empty());
    EXPECT_EQ(grid.TotalCount(), 0);
}

TEST(GridProxyDownloadItems, BoundAsTheMainWindowBindsThem) {
    TVirtualTreeGrid grid;
    grid.SetClientSize(600, 200);
    TVTProxyGrid proxy;
    proxy.AttachGrid(&grid, &TDownloadFileItem::StaticClassInfo(), true);
    proxy.AddColumnDetail("文件名", "FileName", 220, false);
    proxy.AddColumnDetail("文件大小", "FileSizeText", 100, false);
    proxy.AddColumnDetail("下载进度", "DownloadStatus", 60, false);
    TDownloadFileItem item;
    item.SetFileName("Varnoke.exe");
    item.SetFileLen(1025);
    item.SetAction(ACTION_REPLACE);
    TVTRowData* row = proxy.AddRowData(&item);
    item.BindData = row;
    EXPECT_EQ(row->ToString(), "Varnoke.exe,2 KB,0%");
    EXPECT_EQ(grid.GetText(row->BindNode, 0), "1");

    // A download in progress: the two columns are refreshed one at a time.
    int repaints = 0;
    grid.OnInvalidate = [&](const TRect&) { ++repaints; };
    item.Progress = 40;
    proxy.RefreshRowData(row->BindNode, &item, {"下载进度"});
    EXPECT_EQ(grid.GetText(row->BindNode, 3), "40%");
    EXPECT_GT(repaints, 0);
    item.SetFileLen(4096);
    proxy.RefreshRowData(row->BindNode, &item, {"文件大小"});
    EXPECT_EQ(grid.GetText(row->BindNode, 2), "4 KB");
    item.Progress = 100;
    proxy.RefreshRowData(row, &item);
    EXPECT_EQ(row->ToString(), "Varnoke.exe,4 KB,100%");
}

TEST(GridPainting, SelectionHeaderAndTextArePainted) {
    TVirtualTreeGrid grid;
    grid.SetClientSize(300, 120);
    TVTProxyGrid proxy;
    proxy.AttachGrid(&grid, &TModel::StaticClassInfo(), true);
    proxy.AddColumnDetail("Name", "Name", 120, true);
    std::vector<TModel> models = {Model("第一行 first", 1), Model("second", 2)};
    TVTRowData* first = proxy.AddRowData(&models[0]);
    proxy.AddRowData(&models[1]);
    grid.SetSelected(first->BindNode, true);
    TZelSkinImage surface;
    surface.SetSize(300, 120);
    TZelPainter painter(surface);
    grid.Paint(painter);
    TRect r = grid.NodeRect(first->BindNode);
    // The selected row is tinted across, the text leaves ink in its cell.
    EXPECT_NE(surface.Pixel(200, r.Top + 2), surface.Pixel(200, r.Bottom + 5));
    int inked = 0;
    for (int x = 45; x < 160; ++x)
        for (int y = r.Top; y < r.Bottom - 1; ++y)
            if (RedOf(surface.Pixel(x, y)) < 100) ++inked;
    EXPECT_GT(inked, 20);
}

} // namespace
