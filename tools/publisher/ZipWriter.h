#pragma once
// Writes zip packages the way the updater reads them best: every entry
// carries the UTF-8 flag, so names in any script arrive unchanged.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

class ZipWriter {
public:
    // A folder entry when name ends with '/'.
    void Add(const std::string& name, const std::string& data, std::time_t modified);
    // The whole archive.
    std::string Finish();

private:
    struct Entry {
        std::string name;
        uint32_t crc;
        uint32_t compressed, size, offset;
        uint16_t method, time, date;
    };
    std::string FOut;
    std::vector<Entry> FEntries;
};
