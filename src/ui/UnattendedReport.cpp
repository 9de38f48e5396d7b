#include "ui/UnattendedReport.h"

#include "ui/UpdateMainTexts.h"

#include <algorithm>

namespace {
constexpr uint32_t kLineInterval = 1000; // ms between lines of one file
constexpr uint32_t kBarInterval = 100;   // ms between redraws of the live bar
constexpr int kBarWidth = 20;
} // namespace

std::string TUnattendedReport::Line(int32_t index, int32_t count, const std::string& fileName,
                                    int32_t totalBytes, int64_t receivedBytes, uint32_t startTick,
                                    uint32_t nowTick) const {
    int64_t percent =
        totalBytes > 0 ? std::min<int64_t>(receivedBytes * 100 / totalBytes, 100) : 100;
    std::string text;
    text.append("[").append(std::to_string(index)).append("/").append(std::to_string(count));
    text.append("] ").append(fileName).append(" ");
    if (FTerminal) {
        int filled = static_cast<int>(percent * kBarWidth / 100);
        text.append("[").append(filled, '#').append(kBarWidth - filled, '.').append("] ");
    }
    text.append(std::to_string(percent)).append("% ");
    return text +
           TransferText(totalBytes, receivedBytes, SpeedText(nowTick, startTick, receivedBytes));
}

void TUnattendedReport::EndLiveLine() {
    if (!FLineOpen) return;
    FSink("\n");
    FLineOpen = false;
}

void TUnattendedReport::Progress(int32_t index, int32_t count, const std::string& fileName,
                                 int32_t totalBytes, int64_t receivedBytes, uint32_t startTick,
                                 uint32_t nowTick) {
    bool sameFile = fileName == FFile;
    if (sameFile && nowTick - FLastTick < (FTerminal ? kBarInterval : kLineInterval)) return;
    if (!sameFile) EndLiveLine();
    FFile = fileName;
    FLastTick = nowTick;
    std::string line = Line(index, count, fileName, totalBytes, receivedBytes, startTick, nowTick);
    FLastLine = line;
    if (FTerminal) {
        // Clears what a longer earlier bar left at the end of the line.
        FSink("\r" + line + "\x1b[K");
        FLineOpen = true;
    } else {
        FSink(line + "\n");
    }
}

void TUnattendedReport::Done(int32_t index, int32_t count, const std::string& fileName,
                             int32_t totalBytes, uint32_t startTick, uint32_t nowTick) {
    if (fileName != FFile) EndLiveLine();
    std::string line = Line(index, count, fileName, totalBytes, totalBytes, startTick, nowTick);
    // The last progress line may already say all of it.
    if (fileName == FFile && line == FLastLine)
        EndLiveLine();
    else
        FSink(FTerminal ? "\r" + line + "\x1b[K\n" : line + "\n");
    FLineOpen = false;
    FFile.clear();
}

void TUnattendedReport::Error(const std::string& text) {
    EndLiveLine();
    FSink(text + "\n");
    FFile.clear();
}
