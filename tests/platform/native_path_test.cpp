#include "platform/native_path.hpp"

#include <gtest/gtest.h>

namespace kelmar::platform {
namespace {

TEST(NativePathTest, BackslashesBecomeSeparatorsAndTextBecomesUtf8) {
#ifndef _WIN32
    EXPECT_EQ(toNativePath("/tmp/nf_e\\envio\\a.xml").string(), "/tmp/nf_e/envio/a.xml");
    EXPECT_EQ(toNativePath("/tmp/nf_e\\\\envio").string(), "/tmp/nf_e//envio");
    EXPECT_EQ(toNativePath("/tmp/S\xE3o\\x").string(), "/tmp/S\xC3\xA3o/x");
#endif
}

TEST(NativePathTest, SplitsTheLastComponent) {
    EXPECT_EQ(fileNamePart("C:\\a\\b.xml"), "b.xml");
    EXPECT_EQ(fileNamePart("/a/b/c"), "c");
    EXPECT_EQ(fileNamePart("plain"), "plain");
    EXPECT_EQ(folderPart("C:\\a\\b.xml"), "C:\\a");
    EXPECT_EQ(folderPart("plain"), "");
}

TEST(NativePathTest, RefusesNamesWindowsRefuses) {
    for (const char* bad :
         {"a<b", "a>b", "a:b", "a\"b", "a|b", "a?b", "a*b", "a\tb", "a\x01", "a\\b", "a/b"}) {
        EXPECT_TRUE(isForbiddenFileName(bad)) << bad;
    }
    for (const char* good : {"a b.xml", "a&b.xml", "S\xE3o.xml", "x-nfe.xml", ""}) {
        EXPECT_FALSE(isForbiddenFileName(good)) << good;
    }
}

}  // namespace
}  // namespace kelmar::platform
