// What the MQTT source makes of a JSON message: the field extractor and the
// limits of the parser it shares with the Sensors source.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "datasources/common/json_text.h"
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

} // namespace
