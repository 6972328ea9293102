#include "screendef/xml_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// One line per event: S(name|attributes), L(name|text|attributes), E(name|attributes).
struct Recorder : XmlHandler {
    using S = const std::string&;
    void StartElement(S n, S a) override { events.push_back("S(" + n + "|" + a + ")"); }
    void LeafElement(S n, S t, S a) override { events.push_back("L(" + n + "|" + t + "|" + a + ")"); }
    void EndElement(S n, S a) override { events.push_back("E(" + n + "|" + a + ")"); }
    Lines events;
};

// Parses a copy of exactly the document's size, so the sanitizers see any
// read past its end.
Lines Events(const std::string& document)
{
    const auto copy = std::make_unique<char[]>(document.size());
    std::memcpy(copy.get(), document.data(), document.size());
    Recorder recorder;
    XmlReader reader;
    reader.SetHandler(&recorder);
    EXPECT_TRUE(reader.Parse(copy.get(), static_cast<std::int32_t>(document.size())));
    return recorder.events;
}

TEST(XmlReader, ReportsElementsOfTheDialect)
{
    XmlReader reader;
    EXPECT_FALSE(reader.Parse(nullptr, 5));
    EXPECT_FALSE(reader.Parse("<a>1</a>", 0));
    EXPECT_EQ(Events("no markup"), Lines{});
    EXPECT_EQ(Events("<s><n>Main</n><i t=x><v>1</v></i></s>"),
              (Lines{"S(s|)", "L(n|Main|)", "S(i|t=x)", "L(v|1|)", "E(i|t=x)", "E(s|)"}));
    EXPECT_EQ(Events("x<a/><a x=1/><b></b> y <c >2</c><d  k=\"a b\" />"),
              (Lines{"L(a||)", "L(a||x=1)", "L(b||)", "L(c|2|)", "L(d|| k=\"a b\" )"}));
    EXPECT_EQ(Events("<t>\n  a &amp; b\n</t>"), Lines{"L(t|\n  a &amp; b\n|)"});
    // Only bare same-name start tags nest.
    EXPECT_EQ(Events("<a><b><a>1</a></b><a>2</a></a>"),
              (Lines{"S(a|)", "S(b|)", "L(a|1|)", "E(b|)", "L(a|2|)", "E(a|)"}));
    EXPECT_EQ(Events("<a><a x=1>1</a></a>"), (Lines{"S(a|)", "E(a|)"}));
    // Declarations and comments are skipped; a comment ends at its first ">"
    // and counts as a child; so does a stray "<".
    EXPECT_EQ(Events("<?xml version=\"1.0\"?><!-- a > b --><a><!-- c --></a><?xml?><b>1 < 2</b>"),
              (Lines{"S(a|)", "E(a|)", "S(b|)", "E(b|)"}));
    // The level goes on after a nested level that ended right at its end tag.
    EXPECT_EQ(Events("<r><a><b/></a><c>1</c><d><!--x--></d><e/></r>"),
              (Lines{"S(r|)", "S(a|)", "L(b||)", "E(a|)", "L(c|1|)", "S(d|)", "E(d|)", "L(e||)", "E(r|)"}));
}

TEST(XmlReader, MalformedStructureEndsOnlyTheCurrentLevel)
{
    EXPECT_EQ(Events("<a>1</a><b>2<c>3</c>"), Lines{"L(a|1|)"});
    EXPECT_EQ(Events(std::string("<a>1</a><b>2</b>", 10)), Lines{"L(a|1|)"});
    EXPECT_EQ(Events("<a/"), Lines{});
    EXPECT_EQ(Events("<r><x>1</x><open><y>2</y></r><n>3</n>"), (Lines{"S(r|)", "L(x|1|)", "E(r|)", "L(n|3|)"}));
    EXPECT_EQ(Events("<q>0</q><a><a>1</a>"), Lines{"L(q|0|)"});
    // Names that can never be closed.
    EXPECT_EQ(Events("<!DOCTYPE s><s><n>a</n></s>"), Lines{});
    EXPECT_EQ(Events("<?XML v=1?><a>1</a>"), Lines{});
    EXPECT_EQ(Events("<a\n x=1>1</a><b>2</b>"), Lines{});
    // Empty names: no start or leaf event, but a container's end is sent.
    EXPECT_EQ(Events("<>1</></><a>2</a>< x><b/></>"), (Lines{"L(a|2|)", "L(b||)", "E(|)"}));
    EXPECT_EQ(Events("<i ==x\"=\" \"/>"), Lines{"L(i||==x\"=\" \")"});
}

TEST(XmlReader, DeepNestingIsBoundedWithoutCrashing)
{
    constexpr int kLevels = 100000;
    std::string document;
    for (int i = 0; i < kLevels; ++i)
        document += "<a>";
    for (int i = 0; i < kLevels; ++i)
        document += "</a>";
    const Lines events = Events(document + "<b>1</b>");
    ASSERT_EQ(events.size(), 2u * XmlReader::kMaxDepth + 1);
    EXPECT_EQ(events[XmlReader::kMaxDepth], "E(a|)");
    EXPECT_EQ(events.back(), "L(b|1|)");
}

} // namespace

namespace {

// "line:name" for every start and leaf element, as the reader places them.
struct LineRecorder : XmlHandler {
    using S = const std::string&;
    void StartElement(S n, S) override { Note(n); }
    void LeafElement(S n, S, S) override { Note(n); }
    void EndElement(S, S) override {}
    void Note(S n) { events.push_back(std::to_string(reader->LineAt(reader->ElementOffset())) + ":" + n); }
    const XmlReader* reader = nullptr;
    Lines events;
};

} // namespace

TEST(XmlReader, PlacesElementsAndTheFirstFaultOnTheirLines)
{
    XmlReader reader;
    LineRecorder recorder;
    recorder.reader = &reader;
    reader.SetHandler(&recorder);
    reader.Parse(std::string_view("<?xml?>\n<s>\n  <a>1</a><b>\n<c>2</c></b>\n<d>x\n<e>\n</s>\n"));
    EXPECT_EQ(recorder.events, (Lines{"2:s", "3:a", "3:b", "4:c"}));
    EXPECT_EQ(reader.FaultText(), "<d> has no end tag");
    EXPECT_EQ(reader.LineAt(reader.FaultOffset()), 5);

    reader.Parse(std::string_view("<s><a>1</a></s>"));
    EXPECT_EQ(reader.FaultOffset(), -1);
    reader.Parse(std::string_view("<s></s>\n\n<a x=1"));
    EXPECT_EQ(reader.FaultText(), "tag without \">\"");
    EXPECT_EQ(reader.LineAt(reader.FaultOffset()), 3);
}
