// The libFuzzer entry of one harness; CMake names it in UPDATER_FUZZ_ENTRY.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz::UPDATER_FUZZ_ENTRY(data, size);
}
