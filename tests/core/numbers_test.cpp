#include "core/numbers.h"

#include <gtest/gtest.h>

#include <string>

namespace sonvaro {
namespace {

TEST(DatNumber, ParsesTheFieldSyntax) {
    EXPECT_EQ(ParseDatNumber("205"), 205);
    EXPECT_EQ(ParseDatNumber(" \t-17xyz"), -17);
    EXPECT_EQ(ParseDatNumber("+8"), 8);
    EXPECT_EQ(ParseDatNumber("$ff"), 255);
    EXPECT_EQ(ParseDatNumber("-$10"), -16);
    EXPECT_EQ(ParseDatNumber("%1011"), 11);
    EXPECT_EQ(ParseDatNumber(""), 0);
    EXPECT_EQ(ParseDatNumber("abc"), 0);
    EXPECT_EQ(ParseDatNumber("12 34"), 12);
}

TEST(DatNumber, NarrowsByLowBits) {
    EXPECT_EQ(LowBits16(ParseDatNumber("70000")), 4464);
    EXPECT_EQ(LowBits8(ParseDatNumber("200")), -56);
    EXPECT_EQ(LowBits16(ParseDatNumber("-1")), -1);
    EXPECT_EQ(LowBits32(ParseDatNumber("4294967297")), 1);
    // A 100-digit number wraps modulo 2^64: 10^100 - 1 is -1 there.
    EXPECT_EQ(ParseDatNumber(std::string(100, '9')), -1);
}

TEST(CNumber, FollowsTheCLibrary) {
    EXPECT_EQ(ParseCInteger32("  42abc"), 42);
    EXPECT_EQ(ParseCInteger32("-7"), -7);
    EXPECT_EQ(ParseCInteger32("abc"), 0);
    EXPECT_EQ(ParseCInteger32("99999999999"), 2147483647);
    EXPECT_EQ(ParseCInteger32("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(ParseCInteger(std::string(100, '9')), INT64_MAX);
    EXPECT_EQ(ParseCInteger("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(ParseCInteger("123456789012"), 123456789012);
}

TEST(CFloat, RoundsHalvesToEven) {
    EXPECT_EQ(ParseCFloatRounded("1000.6"), 1001);
    EXPECT_EQ(ParseCFloatRounded("2.5"), 2);
    EXPECT_EQ(ParseCFloatRounded("3.5"), 4);
    EXPECT_EQ(ParseCFloatRounded("-0.5"), 0);
    EXPECT_EQ(ParseCFloatRounded("-96.000000"), -96);
    EXPECT_EQ(ParseCFloatRounded(" 1e3"), 1000);
    EXPECT_EQ(ParseCFloatRounded(".75"), 1);
    EXPECT_EQ(ParseCFloatRounded("inf"), 0);
    EXPECT_EQ(ParseCFloatRounded("nan"), 0);
    EXPECT_EQ(ParseCFloatRounded("x1"), 0);
    EXPECT_EQ(ParseCFloatRounded("1e400"), 2147483647);
    EXPECT_EQ(ParseCFloatRounded("1e-400"), 0);
}

}  // namespace
}  // namespace sonvaro
