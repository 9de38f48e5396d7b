// A picture of the tree grid as the main window shows it: a few rows bound
// through the grid proxy, a selection, a sort mark and a hint.
//
//   gallery_grid <out.png>
#include "gui/Controls.h"
#include "gui/HeadlessBackend.h"
#include "gui/Timers.h"
#include "skin/ZelSkinControls.h"
#include "skin/ZelSkinDC.h"
#include "skin/ZelSkinForm.h"
#include "skin/ZelSkinPng.h"
#include "ui/UnitVTGridProxy.h"
#include "ui/VirtualStringTree.h"
#include "update/UnitDownloadFileItem.h"

#include <cstdio>

using namespace platform;
using namespace gui;

namespace {

struct Settings : TWindow {
    Settings() {
        SetBorderStyle(bsSizeable);
        SetBorderIcons(biSystemMenu);
    }
};

struct GridWindow : Settings {
    TZelSkinForm Frame{this};
    TZelSkinGroupBox Files{this};
    TVirtualStringTree Tree{&Files};
    GridWindow() {
        Frame.SetFlatFrame(true);
        Frame.SetTitleHeight(28);
        Frame.SetTitlerColor(12419072);
        Frame.SetColor(10329599);
        SetBounds(40, 40, 10, 10);
        SetClientSize(460, 220);
        Files.SetAlign(alClient);
        Files.SetCaption("");
        Tree.SetAlign(alClient);
        Tree.Grid().DefaultNodeHeight = 25;
    }
};

} // namespace

int main(int argc, char** argv) {
    std::string out = argc > 1 ? argv[1] : "gallery-grid.png";
    THeadlessBackend* screen = UseHeadlessBackend(1280, 800);
    uint64_t now = 1000;
    SetTimerClock([&] { return now; });

    GridWindow window;
    TVTProxyGrid proxy;
    proxy.AttachGrid(&window.Tree.Grid(), &TDownloadFileItem::StaticClassInfo(), true);
    proxy.AddColumnDetail("文件名", "FileName", 180, true);
    proxy.AddColumnDetail("文件大小", "FileSizeText", 100, false);
    proxy.AddColumnDetail("下载进度", "DownloadStatus", 80, false);
    proxy.GetColumn("文件名")->ShowHint = true;

    struct Row {
        const char* name;
        int size, progress;
    };
    TDownloadItemList items;
    for (Row r : {Row{"Varnoke.exe", 131010, 100}, Row{"report.dll", 25600, 37},
                  Row{"软件Zip升级包.zip", 348000, 0}, Row{"updater.exe", 16975634, 0}}) {
        auto item = std::make_unique<TDownloadFileItem>();
        item->SetFileName(r.name);
        item->SetFileLen(r.size);
        item->SetAction(ACTION_REPLACE);
        item->Progress = r.progress;
        item->BindData = proxy.AddRowData(item.get());
        items.push_back(std::move(item));
    }
    window.Show();
    Application()->ProcessMessages();

    // A click on the name column's header sorts it (the sort mark), a click
    // on a row selects it, and the pointer resting on a name shows its hint.
    auto& grid = window.Tree.Grid();
    POINT header = window.Tree.ClientToScreen({40 + 60, 10});
    screen->Click(header.x, header.y);
    TRect second = grid.NodeRect(static_cast<TVTRowData*>(items[1]->BindData)->BindNode);
    POINT row = window.Tree.ClientToScreen({60, second.Top + 8});
    screen->Click(row.x, row.y);
    screen->MouseMove(row.x + 1, row.y);
    now += TVirtualStringTree::kHintDelayMs + 10;
    Application()->ProcessMessages();
    window.PaintWindow();

    std::string error;
    if (!SavePngToFile(WindowImage(window), out, &error)) {
        std::fprintf(stderr, "gallery_grid: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", out.c_str());
    return 0;
}
