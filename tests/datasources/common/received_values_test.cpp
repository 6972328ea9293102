// What the Commands and MQTT sources make of received bytes: the JSON
// field extractor and the latest-value store with its stale marking.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "datasources/common/json_text.h"
#include "datasources/common/latest_values.h"
#include "datasources/mqtt/json_field.h"

namespace {

TEST(JsonField, FindsNestedFieldsAndArrayItemsAndTakesTheLastOfDuplicateKeys)
{
    const std::string reading =
        R"({"name": "k\"\u00b0C\ud83d\ude00", "list": [1, {"temp": "}"}], "sensor": {"temp": 22.5 }, "n": 1, "n": 2})";
    const struct {
        std::string json;
        const char* path;
        std::string field; // empty: missing
    } cases[] = {
        {reading, "sensor.temp", "22.5"},
        {reading, "name",
         "k\"\xB0"
         "C?"}, // escapes as the characters they name, in Latin-1
        {reading, "list", R"([1,{"temp":"}"}])"},
        {reading, "list.1.temp", "}"},
        {reading, "list.2", ""},
        {reading, "list.-1", ""},
        {reading, "temp", ""},       // only from the top
        {reading, "name.first", ""}, // not an object
        {reading, "n", "2"},
        {R"({"a": true,"b":null})", "b", "null"},
        {R"([[5, 6]])", "0.1", "6"},
        {R"({"values": [1.5e3]})", "values.0", "1500.0"},
        {"{\"t\": \"21.5\xC2\xB0\u00e9\xE2\x82\xAC\"}", "t", "21.5\xB0\xE9?"}, // UTF-8 as written too
        {"{\"x\": " + std::string(33, '[') + std::string(33, ']') + ", \"a\": 1}", "a", "1"},
    };
    for (const auto& c : cases) {
        const mqtt::JsonFieldResult result = mqtt::JsonField(c.json, c.path);
        EXPECT_EQ(result.status, c.field.empty() ? mqtt::JsonFieldResult::Missing : mqtt::JsonFieldResult::Found)
            << c.json << " " << c.path;
        if (!c.field.empty()) {
            EXPECT_EQ(result.text, c.field) << c.json << " " << c.path;
        }
    }
}

TEST(JsonField, RefusesInvalidTooLongAndTooDeepPayloadsWithAReason)
{
    const struct {
        std::string json;
        const char* problem;
    } cases[] = {
        {R"({"temp":21.5}trailing)", "is not valid JSON (at byte 16)"},
        {R"({"temp":1,})", "is not valid JSON (at byte 11)"},
        {R"({"temp":hello})", "is not valid JSON (at byte 9)"},
        {R"({"temp":21.5)", "is not valid JSON (at byte 13)"},
        {"{\"a\": \"\xff\"}", "is not valid JSON (at byte 8)"},
        {"", "is not valid JSON (at byte 1)"},
        {std::string(10000, '[') + std::string(10000, ']'), "is nested deeper than 128 levels"},
        {R"({"a": ")" + std::string(datavalues::kMaxJsonBytes, 'x') + "\"}", "is longer than 1048576 bytes"},
    };
    for (const auto& c : cases) {
        const mqtt::JsonFieldResult result = mqtt::JsonField(c.json, "temp");
        EXPECT_EQ(result.status, mqtt::JsonFieldResult::Invalid) << c.json.substr(0, 60);
        EXPECT_EQ(result.text, c.problem) << c.json.substr(0, 60);
    }
    // Brackets inside strings are no nesting.
    EXPECT_EQ(mqtt::JsonField(R"({"s": ")" + std::string(500, '[') + R"(", "temp": 3})", "temp").text, "3");
}

std::string TextOf(const datavalues::LatestValues& values, std::size_t index)
{
    char area[GLANCER_TEXT_SIZE];
    std::memset(area, 'x', sizeof area);
    glancer::Value out(area, sizeof area);
    values.Read(index, out);
    return area;
}

template <class Number> Number NumberOf(const datavalues::LatestValues& values, std::size_t index)
{
    Number number{};
    glancer::Value out(&number, sizeof number);
    values.Read(index, out);
    return number;
}

TEST(LatestValues, ConvertKeepTheLastGoodValueAndMarkStaleTexts)
{
    datavalues::LatestValues values({GLANCER_VAR_TEXT, GLANCER_VAR_INT, GLANCER_VAR_DOUBLE});
    EXPECT_EQ(TextOf(values, 0), "?"); // nothing yet
    EXPECT_TRUE(values.Store(0, std::string("a\tb\0c\r\nnext", 11)));
    EXPECT_EQ(TextOf(values, 0), "a?b?c");
    values.MarkStale(0);
    EXPECT_EQ(TextOf(values, 0), "a?b?c?");
    EXPECT_TRUE(values.Store(0, std::string(300, 'y')));
    values.MarkStale(0);
    EXPECT_EQ(TextOf(values, 0), std::string(254, 'y') + "?");

    EXPECT_TRUE(values.Store(1, std::string(250, ' ') + "12345678\n"));
    EXPECT_EQ(NumberOf<std::int32_t>(values, 1), 12345678); // converted before the text is cut
    EXPECT_TRUE(values.Store(2, std::string(300, ' ') + "0.25"));
    EXPECT_EQ(NumberOf<double>(values, 2), 0.25);
    EXPECT_TRUE(values.Store(1, " +42 \n"));
    EXPECT_FALSE(values.Store(1, "2147483648"));
    EXPECT_FALSE(values.Store(1, "4.5"));
    EXPECT_EQ(NumberOf<std::int32_t>(values, 1), 42);
    EXPECT_TRUE(values.IsStale(1));
    EXPECT_TRUE(values.Store(2, "-1.5e3"));
    EXPECT_FALSE(values.Store(2, "nan"));
    EXPECT_FALSE(values.Store(2, ""));
    EXPECT_EQ(NumberOf<double>(values, 2), -1500.0);
}

} // namespace
