// Field splitting, number conversion, fixed4 and the two roundings.
#include "data/fields.h"

#include <gtest/gtest.h>

#include "data/fixed4.h"
#include "data/rounding.h"

namespace tressmoor::data {
namespace {

TEST(FieldOf, ReturnsTheNthFieldUntrimmedAndZeroBeyondTheLast) {
    EXPECT_EQ(FieldOf("10, 20,abc", 1), "10");
    EXPECT_EQ(FieldOf("10, 20,abc", 2), " 20");
    EXPECT_EQ(FieldOf("10, 20,abc", 3), "abc");
    EXPECT_EQ(FieldOf("10, 20,abc", 4), "0");
    EXPECT_EQ(FieldOf("30", 2), "0");
    EXPECT_EQ(FieldOf("", 1), "");
    EXPECT_EQ(FieldOf("a,,b", 2), "");
    EXPECT_EQ(FieldOf("a,", 2), "");
    EXPECT_EQ(FieldOf("a,b", 0), "0");
}

TEST(ParseInt, AcceptsSignedDecimalsAndRefusesEverythingElse) {
    EXPECT_EQ(parseInt("42"), 42);
    EXPECT_EQ(parseInt("-7"), -7);
    EXPECT_EQ(parseInt("+7"), 7);
    EXPECT_EQ(parseInt(" 12 "), 12);
    EXPECT_EQ(parseInt("2147483647"), 2147483647);
    EXPECT_FALSE(parseInt("2147483648"));
    EXPECT_FALSE(parseInt(""));
    EXPECT_FALSE(parseInt("1.5"));
    EXPECT_FALSE(parseInt("12a"));
    EXPECT_FALSE(parseInt("+-3"));
    EXPECT_FALSE(parseInt("-"));
}

TEST(ParseReal, UsesThePointWhateverTheLocaleAndRefusesInfinities) {
    EXPECT_DOUBLE_EQ(static_cast<double>(*parseReal("12.5")), 12.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(*parseReal("-.25")), -0.25);
    EXPECT_DOUBLE_EQ(static_cast<double>(*parseReal("1e3")), 1000.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(*parseReal("+3")), 3.0);
    EXPECT_FALSE(parseReal("1,5"));
    EXPECT_FALSE(parseReal("inf"));
    EXPECT_FALSE(parseReal("nan"));
    EXPECT_FALSE(parseReal("1e99999"));
    EXPECT_FALSE(parseReal(""));
    EXPECT_FALSE(parseReal("."));
}

TEST(Fixed4, ParsesDecimalsExactly) {
    EXPECT_EQ(fixed4::parse("0.1")->raw, 1000);
    EXPECT_EQ(fixed4::parse("-12.3456")->raw, -123456);
    EXPECT_EQ(fixed4::parse("3")->raw, 30000);
    EXPECT_EQ(fixed4::parse(" 2.5 ")->raw, 25000);
    EXPECT_EQ(fixed4::parse("1e2")->raw, 1000000);
    EXPECT_EQ(fixed4::parse("25e-4")->raw, 25);
    EXPECT_EQ(fixed4::parse("000.00010")->raw, 1);
    EXPECT_EQ(fixed4::parse("922337203685477.5807")->raw, 9223372036854775807LL);
    EXPECT_FALSE(fixed4::parse("922337203685477.5808"));
    EXPECT_FALSE(fixed4::parse("abc"));
    EXPECT_FALSE(fixed4::parse("1.2.3"));
    EXPECT_FALSE(fixed4::parse(""));
    EXPECT_FALSE(fixed4::parse("1e"));
}

TEST(Fixed4, RoundsTheFifthDecimalTiesToEven) {
    EXPECT_EQ(fixed4::parse("0.00005")->raw, 0);   // tie, 0 is even
    EXPECT_EQ(fixed4::parse("0.00015")->raw, 2);   // tie, up to even
    EXPECT_EQ(fixed4::parse("0.00025")->raw, 2);   // tie, down to even
    EXPECT_EQ(fixed4::parse("0.000251")->raw, 3);  // above the tie
    EXPECT_EQ(fixed4::parse("0.00006")->raw, 1);
    EXPECT_EQ(fixed4::parse("-0.00015")->raw, -2);
    EXPECT_EQ(fixed4::parse("0.000001")->raw, 0);
}

TEST(Fixed4, ArithmeticAndText) {
    fixed4 a = *fixed4::parse("1.5");
    fixed4 b = *fixed4::parse("0.0003");
    EXPECT_EQ((a * b).raw, 4);  // 0.00045 → 0.0004 (tie to even)
    EXPECT_EQ((a + b).toString(), "1.5003");
    EXPECT_EQ((-a).toString(), "-1.5");
    EXPECT_EQ(fixed4::fromInt(3).toString(), "3");
    EXPECT_EQ(fixed4::fromReal(0.12345L).raw, 1234);
    EXPECT_EQ(fixed4::fromReal(0.12355L).raw, 1236);
    EXPECT_LT(b, a);
}

TEST(Rounding, PlainRoundingTiesToEven) {
    EXPECT_EQ(roundTiesEven(2.5L), 2);
    EXPECT_EQ(roundTiesEven(3.5L), 4);
    EXPECT_EQ(roundTiesEven(-2.5L), -2);
    EXPECT_EQ(roundTiesEven(-3.5L), -4);
    EXPECT_EQ(roundTiesEven(2.4999L), 2);
    EXPECT_EQ(roundTiesEven(-0.7L), -1);
    EXPECT_EQ(roundTiesEven(std::nanl("")), 0);
}

TEST(Rounding, HalfAwayFromZero) {
    EXPECT_EQ(roundHalfAway(2.5L), 3);
    EXPECT_EQ(roundHalfAway(-2.5L), -3);
    EXPECT_EQ(roundHalfAway(2.4L), 2);
    EXPECT_EQ(roundHalfAway(-0.5L), -1);
    EXPECT_EQ(roundHalfAway(1e30L), INT64_MAX);
}

}  // namespace
}  // namespace tressmoor::data
