#include "platform/Md5.h"

#include "TestSupport.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

TEST(Md5, KnownDigests) {
    // RFC 1321's test suite.
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(
        Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
        "57edf4a22be3c955ac49da2e2107b67a");
    Md5 pieces;
    pieces.Update("a", 1);
    pieces.Update("bc", 2);
    EXPECT_EQ(pieces.HexDigest(), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5, FileDigestEqualsTheDigestOfItsBytesAndCanBeCancelled) {
    testsupport::TempDir dir;
    std::string content;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i)
        content += static_cast<char>(i * 7 % 251);
    testsupport::WriteFile(dir / "big", content);
    EXPECT_EQ(Md5File(dir / "big"), Md5Hex(content));
    std::atomic<bool> cancel{true};
    try {
        Md5File(dir / "big", &cancel);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(e.Code(), std::errc::operation_canceled);
    }
    EXPECT_THROW(Md5File(dir / "missing"), FileError);
}

} // namespace
