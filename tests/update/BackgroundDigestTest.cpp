// The digest taken on its own thread while a download streams: whatever the
// sizes the pieces arrive in, it is the digest of the bytes in order.
#include "update/BackgroundDigest.h"
#include "platform/Md5.h"
#include "platform/Sha256.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct ChunkCase {
    const char* name;
    std::vector<size_t> sizes; // taken in turn, over and over
};

class BackgroundDigest : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(BackgroundDigest, MatchesTheDigestOfTheWholeInOrder) {
    std::string data(9 << 20, '\0');
    std::mt19937 rng(5);
    for (char& c : data)
        c = static_cast<char>(rng());
    // Little in flight, so that pieces wait and are used again.
    TBackgroundDigest md5(platform::DigestKind::Md5, 2 << 20);
    TBackgroundDigest sha256(platform::DigestKind::Sha256, 2 << 20);
    size_t at = 0;
    for (size_t turn = 0; at < data.size(); ++turn) {
        const size_t n =
            std::min(GetParam().sizes[turn % GetParam().sizes.size()], data.size() - at);
        md5.Update(data.data() + at, n);
        sha256.Update(data.data() + at, n);
        at += n;
    }
    platform::Md5 whole;
    whole.Update(data.data(), data.size());
    platform::Sha256 wholeSha;
    wholeSha.Update(data.data(), data.size());
    EXPECT_EQ(md5.HexDigest(), whole.HexDigest());
    EXPECT_EQ(sha256.HexDigest(), wholeSha.HexDigest());
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, BackgroundDigest,
    ::testing::Values(ChunkCase{"Bytes", {1, 7, 4093}}, ChunkCase{"CurlBuffers", {16384, 524288}},
                      ChunkCase{"JustUnderAPiece", {(1 << 20) - 1, 3}},
                      ChunkCase{"LargerThanAPiece", {3 << 20, 100}},
                      ChunkCase{"Mixed", {524288, 1, (1 << 20) + 1, 65536, 0}}),
    [](const ::testing::TestParamInfo<ChunkCase>& info) { return std::string(info.param.name); });

TEST(BackgroundDigestSmall, LessThanAPieceIsTheDigestOfTheBytesToo) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{100} << 10, (size_t{1} << 20) - 1}) {
        const std::string data(size, 'v');
        TBackgroundDigest md5;
        md5.Update(data.data(), data.size() / 2);
        md5.Update(data.data() + data.size() / 2, data.size() - data.size() / 2);
        EXPECT_EQ(md5.HexDigest(), platform::Md5Hex(data)) << size;
    }
    TBackgroundDigest nothing;
    EXPECT_EQ(nothing.HexDigest(), "d41d8cd98f00b204e9800998ecf8427e");
}

} // namespace
