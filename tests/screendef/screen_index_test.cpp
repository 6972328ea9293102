#include "screendef/screen_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/test_env.h"

namespace {

using Names = std::vector<std::string>;

Names LoadIndex(const std::string& content)
{
    testenv::WorkDir dir;
    dir.Write("screens\\screens.xml", content);
    ScreenIndexReader index;
    index.Load("screens\\screens.xml");
    return index.fileNames;
}

TEST(ReadTextFile, ReadsCrLfAsLfAndKeepsOtherBytes)
{
    testenv::WorkDir dir;
    const char raw[] = "one\r\ntwo\rthree\r\r\n\0four\r";
    const char text[] = "one\ntwo\rthree\r\n\0four\r";
    dir.Write("screens\\sub\\a.xml", std::string(raw, sizeof raw - 1));
    EXPECT_EQ(ReadTextFile("screens\\sub\\a.xml"), std::string(text, sizeof text - 1));
    EXPECT_EQ(ReadTextFile("screens/sub/a.xml"), ReadTextFile("screens\\sub\\a.xml"));
    EXPECT_EQ(ReadTextFile("screens\\missing.xml"), "");
    EXPECT_EQ(ReadTextFile("screens"), ""); // a folder reads as nothing
}

TEST(ScreenIndexReader, CollectsEntriesInsideScreensInOrder)
{
    EXPECT_EQ(LoadIndex("<?xml version=\"1.0\"?>\r\n"
                        "<screenfile>outside.xml</screenfile>\r\n"
                        "<screens>\r\n"
                        "  <screenfile>a.xml</screenfile>\r\n"
                        "  <screenfile id=\"2\">sub\\b.xml</screenfile>\r\n"
                        "  <other>x</other>\r\n"
                        "  <screenfile>a.xml</screenfile>\r\n"
                        "  <screenfile>c.xml </screenfile>\r\n"
                        "</screens>\r\n"
                        "<screens><screenfile>d.xml</screenfile></screens>\r\n"),
              (Names{"a.xml", "sub\\b.xml", "a.xml", "c.xml ", "d.xml"}));
}

TEST(ScreenIndexReader, EmptyOrMalformedIndexesGiveWhatWasReadBefore)
{
    EXPECT_EQ(LoadIndex(""), Names{});
    EXPECT_EQ(LoadIndex("<screens/><screenfile>a.xml</screenfile>"), Names{});
    EXPECT_EQ(LoadIndex("<screens>no entries</screens>"), Names{});
    // A container inside screens ends the collection at its end tag.
    EXPECT_EQ(LoadIndex("<screens><screenfile>a.xml</screenfile><group><screenfile>b.xml</screenfile></group>"
                        "<screenfile>c.xml</screenfile></screens>"),
              Names{"a.xml"});
    // An unclosed entry ends the list there.
    EXPECT_EQ(LoadIndex("<screens><screenfile>a.xml</screenfile><screenfile>b.xml</screens>"), Names{"a.xml"});

    testenv::WorkDir dir;
    ScreenIndexReader index;
    index.Load("screens\\screens.xml");
    EXPECT_TRUE(index.fileNames.empty());
}

} // namespace
