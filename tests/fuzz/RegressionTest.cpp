// Replays every seed and every saved crasher of the fuzzing harnesses through
// the harness itself, so what a fuzzer once found stays fixed in every build.
#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Harness = int (*)(const uint8_t*, size_t);

struct Target {
    const char* name; // the folder under seeds/ and regressions/
    Harness harness;
};

const Target kTargets[] = {
    {"ini", fuzz::IniRoundTrip},
    {"update_list", fuzz::UpdateList},
    {"zip", fuzz::ZipExtract},
};

struct Input {
    std::string target;
    Harness harness;
    fs::path file;
};
void PrintTo(const Input& input, std::ostream* os) {
    *os << input.target << "/" << input.file.filename().string();
}

std::vector<Input> Inputs(const char* kind) {
    std::vector<Input> out;
    for (const Target& t : kTargets) {
        const fs::path folder = fs::path(FUZZ_DATA_DIR) / kind / t.name;
        if (!fs::is_directory(folder)) continue;
        for (const auto& e : fs::directory_iterator(folder))
            if (e.is_regular_file() && e.path().filename().string()[0] != '.')
                out.push_back({t.name, t.harness, e.path()});
    }
    std::sort(out.begin(), out.end(),
              [](const Input& a, const Input& b) { return a.file < b.file; });
    return out;
}

std::string TestName(const ::testing::TestParamInfo<Input>& info) {
    std::string name = info.param.target + "_" + info.param.file.stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

class FuzzInput : public ::testing::TestWithParam<Input> {};

TEST_P(FuzzInput, PassesItsHarness) {
    std::ifstream in(GetParam().file, std::ios::binary);
    ASSERT_TRUE(in) << GetParam().file;
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(GetParam().harness(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, FuzzInput, ::testing::ValuesIn(Inputs("seeds")), TestName);
INSTANTIATE_TEST_SUITE_P(Regressions, FuzzInput, ::testing::ValuesIn(Inputs("regressions")),
                         TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzInput);

// Every harness has seeds to start from.
TEST(FuzzSeeds, EveryTargetHasSome) {
    for (const Target& t : kTargets) {
        const auto inputs = Inputs("seeds");
        EXPECT_TRUE(std::any_of(inputs.begin(), inputs.end(), [&](const Input& i) {
            return i.target == t.name;
        })) << t.name;
    }
}

} // namespace
