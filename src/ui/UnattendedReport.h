#pragma once
// Progress of an unattended run (no window can be shown) on standard error:
// one line per file at most every second, or a live bar redrawn in place
// when a person watches a terminal. Failures read as the window shows them.
#include <cstdint>
#include <functional>
#include <string>

class TUnattendedReport {
public:
    using Sink = std::function<void(const std::string&)>;
    TUnattendedReport(Sink sink, bool terminal) : FSink(std::move(sink)), FTerminal(terminal) {}

    // One progress report of a file: its place in the run (1-based) and the
    // count of files, the transfer's figures and the tick of now.
    void Progress(int32_t index, int32_t count, const std::string& fileName, int32_t totalBytes,
                  int64_t receivedBytes, uint32_t startTick, uint32_t nowTick);
    // The file is done: its last figures are written whatever the time.
    void Done(int32_t index, int32_t count, const std::string& fileName, int32_t totalBytes,
              uint32_t startTick, uint32_t nowTick);
    void Error(const std::string& text);

private:
    std::string Line(int32_t index, int32_t count, const std::string& fileName, int32_t totalBytes,
                     int64_t receivedBytes, uint32_t startTick, uint32_t nowTick) const;
    void EndLiveLine();

    Sink FSink;
    bool FTerminal;
    std::string FFile;      // the file reported last
    std::string FLastLine;  // and what was written of it
    uint32_t FLastTick = 0; // when it was reported last
    bool FLineOpen = false; // a live bar waits for its line end
};
