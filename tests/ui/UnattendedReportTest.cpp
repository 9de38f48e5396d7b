#include "ui/UnattendedReport.h"

#include <gtest/gtest.h>

namespace {

// Feeds a run of two files through a report and returns what it wrote.
struct Event {
    enum Kind { Progress, Done, Error } kind;
    int32_t index;
    const char* file;
    int64_t received;
    uint32_t tick;
};

std::string Report(bool terminal, std::initializer_list<Event> events) {
    std::string out;
    TUnattendedReport report([&](const std::string& s) { out += s; }, terminal);
    for (const Event& e : events) {
        int32_t total = std::string(e.file) == "a.dll" ? 4096 : 2048;
        if (e.kind == Event::Progress)
            report.Progress(e.index, 2, e.file, total, e.received, 1000, e.tick);
        else if (e.kind == Event::Done)
            report.Done(e.index, 2, e.file, total, 1000, e.tick);
        else
            report.Error(std::string(" 下载[") + e.file + "]发生错误:主机找不到目标资源");
    }
    return out;
}

TEST(UnattendedReport, LinesAtMostEverySecondPerFileAndAlwaysTheLast) {
    std::string out = Report(false, {{Event::Progress, 1, "a.dll", 1024, 1100},
                                     {Event::Progress, 1, "a.dll", 2048, 1900},
                                     {Event::Progress, 1, "a.dll", 3072, 2200},
                                     {Event::Progress, 1, "a.dll", 4096, 3300},
                                     {Event::Done, 1, "a.dll", 4096, 3300},
                                     {Event::Progress, 2, "b.dll", 1024, 2400},
                                     {Event::Error, 2, "b.dll", 0, 2500}});
    EXPECT_EQ(out, "[1/2] a.dll 25% 文件大小(KB):4,已下载(KB):1\n"
                   "[1/2] a.dll 75% 文件大小(KB):4,已下载(KB):3,速度:3 KB/S\n"
                   "[1/2] a.dll 100% 文件大小(KB):4,已下载(KB):4,速度:2 KB/S\n"
                   "[2/2] b.dll 50% 文件大小(KB):2,已下载(KB):1,速度:1 KB/S\n"
                   " 下载[b.dll]发生错误:主机找不到目标资源\n");
}

TEST(UnattendedReport, ATerminalGetsOneLiveBarPerFile) {
    std::string out = Report(true, {{Event::Progress, 1, "a.dll", 1024, 1100},
                                    {Event::Progress, 1, "a.dll", 1100, 1150},
                                    {Event::Progress, 1, "a.dll", 2048, 1250},
                                    {Event::Done, 1, "a.dll", 4096, 1300},
                                    {Event::Progress, 2, "b.dll", 1024, 1400},
                                    {Event::Error, 2, "b.dll", 0, 1500}});
    EXPECT_EQ(out, "\r[1/2] a.dll [#####...............] 25% 文件大小(KB):4,已下载(KB):1\x1b[K"
                   "\r[1/2] a.dll [##########..........] 50% 文件大小(KB):4,已下载(KB):2\x1b[K"
                   "\r[1/2] a.dll [####################] 100% 文件大小(KB):4,已下载(KB):4\x1b[K\n"
                   "\r[2/2] b.dll [##########..........] 50% 文件大小(KB):2,已下载(KB):1\x1b[K"
                   "\n 下载[b.dll]发生错误:主机找不到目标资源\n");
}

} // namespace
