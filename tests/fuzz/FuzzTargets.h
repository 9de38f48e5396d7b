#pragma once
// The fuzzing harnesses. Each libFuzzer program calls one of them
// (FuzzEntry.cpp); the regression test replays every seed and every saved
// crasher through the same functions, built without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace fuzz {

// An input broke a property a harness checks beyond "no crash". Thrown: it
// escapes the harness, so libFuzzer ends on it like on a crash and keeps the
// input, and the regression test reports it as a failure.
class Finding : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// version.ini's bytes: decoded, parsed, written and read again.
int IniRoundTrip(const uint8_t* data, size_t size);
// The update server's list answer, read into download items.
int UpdateList(const uint8_t* data, size_t size);
// A zip package: opened, every entry read, and unpacked.
int ZipExtract(const uint8_t* data, size_t size);

// A folder of the harness's own under the system's temporary folder, made at
// first use and removed when the process ends. With a trailing '/'.
const std::string& ScratchFolder(const std::string& name);

} // namespace fuzz
