#include "config/number_text.h"
#include "profile/error_numbers.h"

#include <gtest/gtest.h>

using namespace kvapomer;

TEST(NumberText, ReadsDecimalNumbersWithSignAndBlanks) {
    const std::vector<std::pair<QString, double>> good{
        {"5", 5},     {" 05 ", 5}, {"\t-5", -5}, {"+7", 7},         {"2.5", 2.5},
        {"2,5", 2.5}, {".5", 0.5}, {"5.", 5},    {"0032767", 32767}};
    for (const auto& [text, value] : good) {
        const auto parsed = parseDecimal(text);
        ASSERT_TRUE(parsed.has_value()) << text.toStdString();
        EXPECT_DOUBLE_EQ(*parsed, value) << text.toStdString();
    }
    for (const QString text : {"", " ", "-", ".", "abc", "5a", "1 2", "--5", "1.2.3", "1e3", "0x10",
                               "unknown value", "5%"}) {
        EXPECT_FALSE(parseDecimal(text).has_value()) << text.toStdString();
    }
}

TEST(NumberText, RoundsHalfToEven) {
    const std::vector<std::pair<double, double>> cases{
        {0.5, 0},   {1.5, 2},   {2.5, 2},    {3.5, 4},    {-0.5, 0},
        {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {59.5, 60}};
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(roundHalfEven(in), out) << in;
    }
}

TEST(NumberText, ConvertsIntoTheTargetRange) {
    EXPECT_EQ(toInt16("32767").value(), 32767);
    EXPECT_EQ(toInt16("-32768").value(), -32768);
    EXPECT_EQ(toInt16("32767.5").error().number, error::kOverflow); // rounds to 32768
    EXPECT_EQ(toInt16("32766.5").value(), 32766);
    EXPECT_EQ(toInt16("99999999999999999999").error().number, error::kOverflow);
    EXPECT_EQ(toInt16("x").error().number, error::kTypeMismatch);
    EXPECT_EQ(toUInt8("255").value(), 255);
    EXPECT_EQ(toUInt8("256").error().number, error::kOverflow);
    EXPECT_EQ(toUInt8("-0.4").value(), 0);
    EXPECT_EQ(toUInt8("-1").error().number, error::kOverflow);
}
