#include "screendef/screen_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/test_env.h"

namespace {

using Names = std::vector<std::string>;

TEST(ReadTextFile, ReadsCrLfAsLfAndKeepsOtherBytes)
{
    testenv::WorkDir dir;
    const char raw[] = "one\r\ntwo\rthree\r\r\n\0four\r";
    const char text[] = "one\ntwo\rthree\r\n\0four\r";
    dir.Write("screens\\sub\\a.xml", std::string(raw, sizeof raw - 1));
    EXPECT_EQ(ReadTextFile("screens\\sub\\a.xml"), std::string(text, sizeof text - 1));
    EXPECT_EQ(ReadTextFile("screens/sub/a.xml"), std::string(text, sizeof text - 1));
    EXPECT_EQ(ReadTextFile("screens\\missing.xml"), "");
    EXPECT_EQ(ReadTextFile("screens"), ""); // a folder reads as nothing
    // Large files are read in pieces; a pair split between them still joins.
    for (std::size_t size : {4095u, 16383u, 65535u}) {
        dir.Write("big.xml", std::string(size, 'x') + "\r\n\r");
        EXPECT_EQ(ReadTextFile("big.xml"), std::string(size, 'x') + "\n\r") << size;
    }
}

TEST(ScreenIndexReader, CollectsEntriesOfScreensUntilAnyEndTag)
{
    const auto load = [](const std::string& content) {
        testenv::WorkDir dir;
        dir.Write("screens\\screens.xml", content);
        ScreenIndexReader index;
        index.Load("screens\\screens.xml");
        return index.fileNames;
    };
    EXPECT_EQ(load("<?xml version=\"1.0\"?>\r\n<screenfile>out.xml</screenfile>\r\n<screens>\r\n"
                   "  <screenfile>a.xml</screenfile>\r\n  <screenfile id=\"2\">sub\\b.xml</screenfile>\r\n"
                   "  <other>x</other><screenfile>a.xml</screenfile><screenfile>c.xml </screenfile>\r\n"
                   "</screens>\r\n<screens><screenfile>d.xml</screenfile></screens>\r\n"),
              (Names{"a.xml", "sub\\b.xml", "a.xml", "c.xml ", "d.xml"}));
    EXPECT_EQ(load("<screens/><screenfile>a.xml</screenfile><screens>none</screens>"), Names{});
    EXPECT_EQ(load("<screens><screenfile>a.xml</screenfile><g><screenfile>b.xml</screenfile></g>"
                   "<screenfile>c.xml</screenfile></screens>"),
              (Names{"a.xml", "b.xml"}));
    EXPECT_EQ(load("<screens><screenfile>a.xml</screenfile><screenfile>b.xml</screens>"), Names{"a.xml"});
    EXPECT_EQ(load(""), Names{});
}

} // namespace
