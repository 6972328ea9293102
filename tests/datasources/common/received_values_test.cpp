// The latest-value store the Commands and MQTT sources keep received values
// in: conversion to the declared type and stale marking.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "datasources/common/latest_values.h"

namespace {

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
