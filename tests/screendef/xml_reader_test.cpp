#include "screendef/xml_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Writes every event as one line: S(name|attributes), L(name|text|attributes), E(name|attributes).
class Recorder : public XmlHandler {
public:
    void StartElement(const std::string& name, const std::string& attributes) override
    {
        events.push_back("S(" + name + "|" + attributes + ")");
    }
    void LeafElement(const std::string& name, const std::string& text, const std::string& attributes) override
    {
        events.push_back("L(" + name + "|" + text + "|" + attributes + ")");
    }
    void EndElement(const std::string& name, const std::string& attributes) override
    {
        events.push_back("E(" + name + "|" + attributes + ")");
    }
    std::vector<std::string> events;
};

// Parses a copy of exactly the document's size, so that the sanitizers see
// any read past its end.
std::vector<std::string> Events(const std::string& document)
{
    const auto copy = std::make_unique<char[]>(document.size());
    std::memcpy(copy.get(), document.data(), document.size());
    Recorder recorder;
    XmlReader reader;
    reader.SetHandler(&recorder);
    EXPECT_TRUE(reader.Parse(copy.get(), static_cast<std::int32_t>(document.size())));
    return recorder.events;
}

using Lines = std::vector<std::string>;

TEST(XmlReader, RejectsNullOrEmptyTextAndIgnoresPlainText)
{
    Recorder recorder;
    XmlReader reader;
    reader.SetHandler(&recorder);
    EXPECT_FALSE(reader.Parse(nullptr, 5));
    EXPECT_FALSE(reader.Parse("<a>1</a>", 0));
    EXPECT_FALSE(reader.Parse("<a>1</a>", -3));
    EXPECT_TRUE(reader.Parse("no markup at all", 16));
    EXPECT_TRUE(recorder.events.empty());

    XmlReader silent; // no handler: scans, reports nothing
    EXPECT_TRUE(silent.Parse("<a><b>1</b></a>", 15));
}

TEST(XmlReader, ReportsLeavesContainersAndAttributeTexts)
{
    EXPECT_EQ(Events("<a>1</a>"), Lines{"L(a|1|)"});
    EXPECT_EQ(Events("<s><n>Main</n><i t=x><v>1</v></i></s>"),
              (Lines{"S(s|)", "L(n|Main|)", "S(i|t=x)", "L(v|1|)", "E(i|t=x)", "E(s|)"}));
    EXPECT_EQ(Events("<a/><a x=1/><b></b><c >2</c><d x>3</d>"),
              (Lines{"L(a||)", "L(a||x=1)", "L(b||)", "L(c|2|)", "L(d|3|x)"}));
    // Only the first space separates the name; the rest is raw attribute text.
    EXPECT_EQ(Events("<i  type=\"a b\"  x=1 >t</i>"), Lines{"L(i|t| type=\"a b\"  x=1 )"});
    // Text is raw: line breaks, indentation and entities stay as written.
    EXPECT_EQ(Events("<t>\n  a &amp; b\n</t>"), Lines{"L(t|\n  a &amp; b\n|)"});
    // Several top-level elements, text between them skipped.
    EXPECT_EQ(Events("x<a>1</a> y <b>2</b>z"), (Lines{"L(a|1|)", "L(b|2|)"}));
}

TEST(XmlReader, NestsOnlyOnBareSameNameStartTags)
{
    EXPECT_EQ(Events("<a><a>1</a></a>"), (Lines{"S(a|)", "L(a|1|)", "E(a|)"}));
    EXPECT_EQ(Events("<a><b><a>1</a></b><a>2</a></a>"),
              (Lines{"S(a|)", "S(b|)", "L(a|1|)", "E(b|)", "L(a|2|)", "E(a|)"}));
    // A same-name start tag with attributes does not nest: the outer element
    // ends at the first end tag and its inner level finds no end for <a x=1>.
    EXPECT_EQ(Events("<a><a x=1>1</a></a>"), (Lines{"S(a|)", "E(a|)"}));
}

TEST(XmlReader, SkipsDeclarationsAndComments)
{
    EXPECT_EQ(Events("<?xml version=\"1.0\"?>\n<a>1</a><?xml?><b>2</b>"), (Lines{"L(a|1|)", "L(b|2|)"}));
    // A comment ends at its first ">"; the rest is text between elements.
    EXPECT_EQ(Events("<!-- a > b --><a>1</a><!--x-->"), Lines{"L(a|1|)"});
    // A comment counts as a child element.
    EXPECT_EQ(Events("<a><!-- note --></a>"), (Lines{"S(a|)", "E(a|)"}));
    // A stray "<" in text makes a container whose level finds nothing.
    EXPECT_EQ(Events("<a>1 < 2</a>"), (Lines{"S(a|)", "E(a|)"}));
}

TEST(XmlReader, LevelGoesOnAfterNestedLevelEndingAtItsEndTag)
{
    EXPECT_EQ(Events("<r><a><b/></a><c>1</c></r>"), (Lines{"S(r|)", "S(a|)", "L(b||)", "E(a|)", "L(c|1|)", "E(r|)"}));
    EXPECT_EQ(Events("<r><a><b>0</b><!--x--></a><c>1</c></r>"),
              (Lines{"S(r|)", "S(a|)", "L(b|0|)", "E(a|)", "L(c|1|)", "E(r|)"}));
    EXPECT_EQ(Events("<a><?xml?></a><c/>"), (Lines{"S(a|)", "E(a|)", "L(c||)"}));
}

TEST(XmlReader, MalformedStructureEndsOnlyTheCurrentLevel)
{
    // A start tag without end tag: earlier siblings stay, nothing after it.
    EXPECT_EQ(Events("<a>1</a><b>2<c>3</c>"), Lines{"L(a|1|)"});
    // A "<" without ">".
    EXPECT_EQ(Events("<a>1</a><b"), Lines{"L(a|1|)"});
    EXPECT_EQ(Events("<"), Lines{});
    // Inside a container the enclosing level goes on with its end and next sibling.
    EXPECT_EQ(Events("<r><x>1</x><open><y>2</y></r><n>3</n>"), (Lines{"S(r|)", "L(x|1|)", "E(r|)", "L(n|3|)"}));
    // Names that can never be closed.
    EXPECT_EQ(Events("<!DOCTYPE screen><screen><name>a</name></screen>"), Lines{});
    EXPECT_EQ(Events("<?XML version=1?><a>1</a>"), Lines{});
    EXPECT_EQ(Events("<a\n>1</a\n><b>2</b>"), (Lines{"L(a\n|1|)", "L(b|2|)"}));
    EXPECT_EQ(Events("<a\n x=1>1</a><b>2</b>"), Lines{});
    // Same-name nesting whose end tags run out.
    EXPECT_EQ(Events("<q>0</q><a><a>1</a>"), Lines{"L(q|0|)"});
    // Empty names: no start or leaf event, but the end of a container is sent.
    EXPECT_EQ(Events("<>1</><a>2</a>"), Lines{"L(a|2|)"});
    EXPECT_EQ(Events("< x><b/></>"), (Lines{"L(b||)", "E(|)"}));
    EXPECT_EQ(Events("</><a/>"), Lines{"L(a||)"});
    // Stray "=" and quotes in attribute text are handed on raw.
    EXPECT_EQ(Events("<i ==x\"=\" \"/>"), Lines{"L(i||==x\"=\" \")"});
}

TEST(XmlReader, ReadsOnlyTheGivenLength)
{
    EXPECT_EQ(Events(std::string("<a>1</a><b>2</b>").substr(0, 10)), Lines{"L(a|1|)"});
    EXPECT_EQ(Events("<a>1</a"), Lines{});
    EXPECT_EQ(Events("<a x"), Lines{});
    EXPECT_EQ(Events("<a/"), Lines{});
}

TEST(XmlReader, DeepNestingIsBoundedWithoutCrashing)
{
    constexpr int kLevels = 100000;
    std::string document;
    for (int i = 0; i < kLevels; ++i)
        document += "<a>";
    document += "x";
    for (int i = 0; i < kLevels; ++i)
        document += "</a>";
    document += "<b>1</b>";

    const Lines events = Events(document);
    ASSERT_EQ(events.size(), 2u * XmlReader::kMaxDepth + 1);
    EXPECT_EQ(events.front(), "S(a|)");
    EXPECT_EQ(events[XmlReader::kMaxDepth], "E(a|)");
    EXPECT_EQ(events.back(), "L(b|1|)");
}

TEST(XmlReader, LargeDocumentParsesInOnePass)
{
    constexpr int kItems = 20000;
    std::string document = "<?xml version=\"1.0\"?>\n<screen>\n  <name>Big</name>\n";
    for (int i = 0; i < kItems; ++i) {
        document += "  <item type=text x=" + std::to_string(i % 120) + " y=8>\n";
        document += "    <text>" + std::string(150, static_cast<char>('a' + i % 26)) + "</text>\n";
        document += "    <refresh>250</refresh>\n    <!-- item " + std::to_string(i) + " -->\n  </item>\n";
    }
    document += "</screen>\n";
    ASSERT_GT(document.size(), 5'000'000u);

    Recorder recorder;
    XmlReader reader;
    reader.SetHandler(&recorder);
    ASSERT_TRUE(reader.Parse(document));
    // screen start/end, name, and per item: start, two leaves, end.
    EXPECT_EQ(recorder.events.size(), 3u + 4u * kItems);
}

} // namespace
