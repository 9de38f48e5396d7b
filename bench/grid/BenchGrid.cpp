// The main window's file list with 20,000 rows: filling the grid, a frame,
// scrolling a page, and walking a selection of every row, on the headless
// back-end (the pixels are composed as on screen, only not shown).
//
//   bench_grid [rows=20000]
#include "gui/HeadlessBackend.h"
#include "gui/Window.h"
#include "ui/UnitVTGridProxy.h"
#include "ui/VirtualStringTree.h"
#include "update/UnitDownloadFileItem.h"

#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using bench::Clock;
using bench::Seconds;

namespace {

double Ms(Clock::duration d) {
    return Seconds(d) * 1000.0;
}

int Run(int rows) {
    gui::UseHeadlessBackend(1280, 800);
    gui::TWindow window;
    window.SetBorderStyle(gui::bsNone);
    window.SetBounds(0, 0, 640, 400);
    TVirtualStringTree tree{&window};
    tree.SetBounds(0, 0, 640, 400);
    TVirtualTreeGrid& grid = tree.Grid();
    grid.DefaultNodeHeight = 25;
    grid.FullRowSelect = true;
    grid.MultiSelect = true;
    TVTProxyGrid proxy;
    proxy.AttachGrid(&grid, &TDownloadFileItem::StaticClassInfo(), true);
    proxy.AddColumnDetail("文件名", "FileName", 220, false);
    proxy.AddColumnDetail("文件大小", "FileSizeText", 100, false);
    proxy.AddColumnDetail("下载进度", "DownloadStatus", 60, false);
    window.Show();
    window.Update();

    std::vector<std::unique_ptr<TDownloadFileItem>> items;
    for (int i = 0; i < rows; ++i) {
        auto item = std::make_unique<TDownloadFileItem>();
        item->SetFileName("plugins\\module" + std::to_string(i) + ".dll");
        item->SetFileLen(4096 + i);
        item->SetAction(ACTION_REPLACE);
        items.push_back(std::move(item));
    }

    auto t0 = Clock::now();
    for (auto& item : items)
        item->BindData = proxy.AddRowData(item.get());
    window.Update();
    const double fillMs = Ms(Clock::now() - t0);

    // Frames at the end of the list, where a row's place is the costliest
    // to find.
    grid.ScrollBy(rows * 25);
    window.Update();
    const int frames = 50;
    t0 = Clock::now();
    for (int i = 0; i < frames; ++i)
        window.Repaint();
    const double frameMs = Ms(Clock::now() - t0) / frames;

    t0 = Clock::now();
    for (int i = 0; i < frames; ++i) {
        grid.ScrollBy(i % 2 ? 375 : -375);
        window.Update();
    }
    const double scrollMs = Ms(Clock::now() - t0) / frames;

    t0 = Clock::now();
    for (auto& child : grid.RootNode()->Children)
        grid.SetSelected(child.get(), true);
    const double selectMs = Ms(Clock::now() - t0);
    t0 = Clock::now();
    int walked = 0;
    for (TVirtualNode* n = grid.GetFirstSelected(); n; n = grid.GetNextSelected(n))
        ++walked;
    const double walkMs = Ms(Clock::now() - t0);
    if (walked != rows) {
        std::fprintf(stderr, "walked %d of %d selected rows\n", walked, rows);
        return 1;
    }
    t0 = Clock::now();
    proxy.ClearData();
    const double clearMs = Ms(Clock::now() - t0);
    std::printf("rows=%d fill_ms=%.1f frame_ms=%.2f scroll_page_ms=%.2f select_all_ms=%.1f "
                "select_walk_ms=%.2f clear_ms=%.1f\n",
                rows, fillMs, frameMs, scrollMs, selectMs, walkMs, clearMs);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 20000;
    auto [seconds, rss] = bench::InChild([&] { return Run(rows); });
    // No program to compare with: the reference is a frame's budget at 60 Hz.
    std::printf("BENCH grid time_ratio=n/a peak_rss_mb=%.1f total_s=%.2f frame_budget_ms=16\n", rss,
                seconds);
    return 0;
}
