// The conversion rules every part of the system relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tolm/variant.h"

namespace tolm {
namespace {

// The error number a conversion raises, 0 when it succeeds.
template <class F>
int32_t ErrorOf(F&& conversion) {
    try {
        conversion();
    } catch (const HostError& error) {
        return error.Number();
    }
    return 0;
}

TEST(VariantIntegerConversion, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(Variant(2.5).ToLong(), 2);
    EXPECT_EQ(Variant(3.5).ToLong(), 4);
    EXPECT_EQ(Variant(-2.5).ToLong(), -2);
    EXPECT_EQ(Variant(-3.5).ToLong(), -4);
    EXPECT_EQ(Variant(0.5).ToLong(), 0);
    EXPECT_EQ(Variant(2.5000001).ToLong(), 3);
    EXPECT_EQ(Variant("2.5").ToLong(), 2);
    EXPECT_EQ(Variant(" 3.5 ").ToLong(), 4);
    EXPECT_EQ(Variant("-1.5e1").ToLong(), -15);
    EXPECT_EQ(Variant(6.5).ToInteger(), 6);
    EXPECT_EQ(Variant(true).ToLong(), -1);
    EXPECT_EQ(Variant().ToLong(), 0);
    EXPECT_EQ(Variant("&H1F").ToLong(), 31);
    EXPECT_EQ(Variant("&hFFFFFFFF").ToLong(), -1);
}

TEST(VariantIntegerConversion, RangeIsCheckedAfterRounding) {
    EXPECT_EQ(ErrorOf([] { Variant(2147483647.5).ToLong(); }), err::Overflow);  // rounds to 2^31
    EXPECT_EQ(Variant(2147483646.5).ToLong(), 2147483646);
    EXPECT_EQ(Variant(-2147483648.5).ToLong(), INT32_MIN);
    EXPECT_EQ(ErrorOf([] { Variant("1e10").ToLong(); }), err::Overflow);
    EXPECT_EQ(ErrorOf([] { Variant(32767.5).ToInteger(); }), err::Overflow);
    EXPECT_EQ(Variant(32766.5).ToInteger(), 32766);
    EXPECT_EQ(ErrorOf([] { Variant(int32_t{40000}).ToInteger(); }), err::Overflow);
    EXPECT_EQ(ErrorOf([] { Variant("1e999").ToDouble(); }), err::Overflow);
    EXPECT_EQ(Variant("1e-999").ToDouble(), 0.0);
}

TEST(VariantIntegerConversion, NullAndNonNumericTextRaiseTheirErrors) {
    EXPECT_EQ(ErrorOf([] { Variant::Null().ToLong(); }), err::InvalidUseOfNull);
    EXPECT_EQ(ErrorOf([] { Variant::Null().ToDouble(); }), err::InvalidUseOfNull);
    EXPECT_EQ(ErrorOf([] { Variant::Null().ToBool(); }), err::InvalidUseOfNull);
    for (const char* text : {"", "   ", "abc", "12 abc", "1e", "1.2.3", "1,5", "--1", ".", "&H", "&HG1"}) {
        EXPECT_EQ(ErrorOf([&] { Variant(text).ToLong(); }), err::TypeMismatch) << '"' << text << '"';
    }
    auto object = std::make_shared<Object>();
    EXPECT_EQ(ErrorOf([&] { Variant(object).ToLong(); }), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([&] { Variant(object).ToString(); }), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { Variant(5).ToObject(); }), err::ObjectRequired);
}

TEST(VariantNumericText, AcceptsSignsPointsAndExponentsAroundBlanks) {
    EXPECT_DOUBLE_EQ(Variant(" -1.5e1 ").ToDouble(), -15.0);
    EXPECT_DOUBLE_EQ(Variant(".5").ToDouble(), 0.5);
    EXPECT_DOUBLE_EQ(Variant("5.").ToDouble(), 5.0);
    EXPECT_DOUBLE_EQ(Variant("+7").ToDouble(), 7.0);
    EXPECT_DOUBLE_EQ(Variant("2E-3").ToDouble(), 0.002);
    EXPECT_TRUE(Variant("12").IsNumeric());
    EXPECT_TRUE(Variant(" 1e3 ").IsNumeric());
    EXPECT_TRUE(Variant(false).IsNumeric());
    EXPECT_TRUE(Variant(1.5).IsNumeric());
    EXPECT_FALSE(Variant("12a").IsNumeric());
    EXPECT_FALSE(Variant("").IsNumeric());
    EXPECT_FALSE(Variant("1e999").IsNumeric());
    EXPECT_FALSE(Variant::Null().IsNumeric());
    EXPECT_FALSE(Variant(MakeDate(2024, 1, 1)).IsNumeric());
}

TEST(VariantBooleanConversion, ReadsWordsAndNumbers) {
    EXPECT_TRUE(Variant("true").ToBool());
    EXPECT_FALSE(Variant(" FALSE ").ToBool());
    EXPECT_TRUE(Variant("2").ToBool());
    EXPECT_FALSE(Variant("0").ToBool());
    EXPECT_FALSE(Variant().ToBool());
    EXPECT_TRUE(Variant(-0.5).ToBool());
    EXPECT_EQ(ErrorOf([] { Variant("yes").ToBool(); }), err::TypeMismatch);
}

TEST(VariantTextConversion, WritesNumbersAsThePersonExpects) {
    EXPECT_EQ(Variant(0.1 + 0.2).ToString(), "0.3");
    EXPECT_EQ(Variant(1.0 / 3).ToString(), "0.333333333333333");
    EXPECT_EQ(Variant(100.0).ToString(), "100");
    EXPECT_EQ(Variant(-2.5).ToString(), "-2.5");
    EXPECT_EQ(Variant(999999999999999.0).ToString(), "999999999999999");
    EXPECT_EQ(Variant(1e15).ToString(), "1E+15");
    EXPECT_EQ(Variant(1e20).ToString(), "1E+20");
    EXPECT_EQ(Variant(-1.5e-20).ToString(), "-1.5E-20");
    EXPECT_EQ(Variant(1e-15).ToString(), "0.000000000000001");
    EXPECT_EQ(Variant(1.25e-16).ToString(), "1.25E-16");
    EXPECT_EQ(Variant(-0.0).ToString(), "0");
    EXPECT_EQ(Variant(true).ToString(), "True");
    EXPECT_EQ(Variant(int16_t{-7}).ToString(), "-7");
    EXPECT_EQ(Variant().ToString(), "");
    EXPECT_EQ(ErrorOf([] { Variant::Null().ToString(); }), err::InvalidUseOfNull);
    EXPECT_EQ(Variant::Null().ToText(), "");
    EXPECT_EQ(Variant(int64_t{5}).Type(), VarType::Long);
    EXPECT_EQ(Variant(int64_t{3000000000}).Type(), VarType::Double);
    EXPECT_EQ(Variant(int64_t{3000000000}).ToString(), "3000000000");
}

TEST(ZeroPrefixedLong, ReadsTheValueWithAZeroInFront) {
    EXPECT_EQ(ZeroPrefixedLong(Variant()), 0);
    EXPECT_EQ(ZeroPrefixedLong(Variant::Null()), 0);
    EXPECT_EQ(ZeroPrefixedLong(Variant("")), 0);
    EXPECT_EQ(ZeroPrefixedLong(Variant(25)), 25);
    EXPECT_EQ(ZeroPrefixedLong(Variant("25")), 25);
    EXPECT_EQ(ZeroPrefixedLong(Variant(2.5)), 2);  // "02.5", half to even
    // "0-5" and "0 7" are not numbers.
    EXPECT_EQ(ErrorOf([] { ZeroPrefixedLong(Variant(-5)); }), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { ZeroPrefixedLong(Variant("-5")); }), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { ZeroPrefixedLong(Variant(" 7")); }), err::TypeMismatch);
}

TEST(LeadingNumber, StopsAtTheFirstCharacterThatCannotContinueTheNumber) {
    EXPECT_DOUBLE_EQ(LeadingNumber("12 abc"), 12.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("  -3.5e2x"), -350.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("abc"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("1e"), 1.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("1e+"), 1.0);
    EXPECT_DOUBLE_EQ(LeadingNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("7.25.3"), 7.25);
    EXPECT_DOUBLE_EQ(LeadingNumber("1014 and 2"), 1014.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("-"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingNumber(""), 0.0);
}

TEST(FormatFixed, RoundsHalvesAwayFromZeroOnTheDecimalValue) {
    const struct {
        double value;
        int places;
        const char* text;
    } cases[] = {
        {6.8, 4, "6.8000"},       {7, 0, "7."},           {-1.5, 2, "-1.50"},      {1e-7, 2, "0.00"},
        {-1e-7, 2, "0.00"},       {-0.004, 2, "0.00"},    {1.005, 2, "1.01"},      {2.675, 2, "2.68"},
        {2.5, 0, "3."},           {-2.5, 0, "-3."},       {0.5, 0, "1."},          {0.125, 2, "0.13"},
        {0.995, 2, "1.00"},       {9.9995, 3, "10.000"},  {0.1, 6, "0.100000"},    {1.23456789, 6, "1.234568"},
        {0.0000005, 6, "0.000001"}, {0.00000049, 6, "0.000000"}, {1234567.891, 2, "1234567.89"},
        {1e20, 2, "100000000000000000000.00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFixed(c.value, c.places), c.text) << c.value << " with " << c.places << " places";
    }
    EXPECT_EQ(ErrorOf([] { FormatFixed(1.0, -1); }), err::InvalidProcedureCall);
}

TEST(RoundHalfEven, JudgesHalvesOnTheDecimalValue) {
    EXPECT_EQ(RoundHalfEven(0.125, 2), 0.12);
    EXPECT_EQ(RoundHalfEven(0.135, 2), 0.14);
    EXPECT_EQ(RoundHalfEven(2.5, 0), 2.0);
    EXPECT_EQ(RoundHalfEven(3.5, 0), 4.0);
    EXPECT_EQ(RoundHalfEven(-2.5, 0), -2.0);
    EXPECT_EQ(RoundHalfEven(2.675, 2), 2.68);  // stored as 2.67499999..., typed as 2.675
    EXPECT_EQ(RoundHalfEven(1.005, 2), 1.0);
    EXPECT_EQ(RoundHalfEven(1 / 6.8, 4), 0.1471);
    EXPECT_EQ(RoundHalfEven(0.12500001, 2), 0.13);
    EXPECT_EQ(RoundHalfEven(0.0001, 2), 0.0);
    EXPECT_FALSE(std::signbit(RoundHalfEven(-0.0001, 2)));
    EXPECT_EQ(RoundHalfEven(1 / 3.0, 10), 0.3333333333);
}

TEST(Dates, FormatInThePatternsTheSystemWrites) {
    const DateTime date = MakeDate(2024, 3, 1);
    EXPECT_EQ(FormatDate(date, "yyyy-MM-dd"), "2024-03-01");
    EXPECT_EQ(FormatDate(date, "yyyyMMdd"), "20240301");
    const DateTime withTime = date + std::chrono::hours(14) + std::chrono::minutes(5) + std::chrono::seconds(9);
    EXPECT_EQ(FormatDate(withTime, "yyyy-MM-dd HH:mm:ss"), "2024-03-01 14:05:09");
    EXPECT_EQ(Variant(date).ToString(), "2024-03-01");
    EXPECT_EQ(Variant(withTime).ToString(), "2024-03-01 14:05:09");
    EXPECT_EQ(Variant(MakeDate(2023, 12, 31)).ToText(), "2023-12-31");
}

TEST(Dates, NonexistentDaysRaise) {
    EXPECT_EQ(ErrorOf([] { MakeDate(2023, 2, 29); }), err::InvalidProcedureCall);
    EXPECT_EQ(ErrorOf([] { MakeDate(2024, 13, 1); }), err::InvalidProcedureCall);
    EXPECT_EQ(ErrorOf([] { MakeDate(2024, 4, 31); }), err::InvalidProcedureCall);
    EXPECT_EQ(FormatDate(MakeDate(2024, 2, 29), "yyyyMMdd"), "20240229");
}

TEST(Dates, ParseTheTextFormsAndRefuseOthers) {
    const DateTime expected = MakeDate(2024, 3, 1);
    EXPECT_EQ(Variant("2024-03-01").ToDate(), expected);
    EXPECT_EQ(Variant("2024/3/1").ToDate(), expected);
    EXPECT_EQ(Variant(" 20240301 ").ToDate(), expected);
    EXPECT_EQ(Variant("2024-03-01 14:05").ToDate(), expected + std::chrono::minutes(14 * 60 + 5));
    EXPECT_EQ(Variant("2024/3/1 8:05:09").ToDate(), expected + std::chrono::seconds(8 * 3600 + 5 * 60 + 9));
    for (const char* text : {"", "2024-02-30", "2024-03-01x", "01/03/2024", "2024-03/01", "2024-03-01 25:00",
                             "2024-03-01 10:61", "20240230", "2024031", "today"}) {
        EXPECT_EQ(ErrorOf([&] { Variant(text).ToDate(); }), err::TypeMismatch) << '"' << text << '"';
    }
    EXPECT_EQ(ErrorOf([] { Variant::Null().ToDate(); }), err::InvalidUseOfNull);
}

TEST(Dates, EachFormReadsOnlyWhatItAllows) {
    struct Case {
        const char* text;
        bool stored, written, any;
    };
    const Case cases[] = {
        {"2024-03-01", true, true, true},
        {"2024-03-01 08:30:05", true, true, true},
        {"2024-03-01T08:30:05", true, false, false},
        {"2024-03-01 08:30", false, true, true},
        {"2024-3-1", false, true, true},
        {"2024/03/01", false, true, true},
        {"20240301", false, false, true},
        {" 2024-03-01 ", false, false, true},
        {"2024-03-01  8:30", false, false, true},
        {"2024-02-30", false, false, false},
        {"0099-01-01", false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDate(c.text, DateForm::Stored).has_value(), c.stored) << c.text;
        EXPECT_EQ(ParseDate(c.text, DateForm::Written).has_value(), c.written) << c.text;
        EXPECT_EQ(ParseDate(c.text, DateForm::Any).has_value(), c.any) << c.text;
    }
    EXPECT_EQ(FormatDateText(*ParseDate("2024-3-1 8:30", DateForm::Written)), "2024-03-01 08:30:00");
    EXPECT_EQ(FormatDateText(*ParseDate("20240301", DateForm::Any)), "2024-03-01");
}

TEST(Dates, SerialNumbersCountDaysFromTheEpochWithTheTimeAsFraction) {
    EXPECT_EQ(DateToSerial(MakeDate(1899, 12, 30)), 0.0);
    EXPECT_EQ(DateToSerial(MakeDate(1900, 1, 1)), 2.0);
    EXPECT_EQ(DateToSerial(MakeDate(2024, 3, 1)), 45352.0);
    const DateTime morning = MakeDate(2024, 3, 1) + std::chrono::hours(6);
    EXPECT_EQ(DateToSerial(morning), 45352.25);
    EXPECT_EQ(SerialToDate(45352.25), morning);
    const DateTime beforeEpoch = MakeDate(1899, 12, 29) + std::chrono::hours(6);
    EXPECT_EQ(DateToSerial(beforeEpoch), -1.25);
    EXPECT_EQ(SerialToDate(-1.25), beforeEpoch);
    const DateTime odd = MakeDate(2031, 7, 19) + std::chrono::seconds(12345);
    EXPECT_EQ(SerialToDate(DateToSerial(odd)), odd);
    EXPECT_EQ(Variant(45352.5).ToDate(), MakeDate(2024, 3, 1) + std::chrono::hours(12));
    EXPECT_EQ(Variant(morning).ToLong(), 45352);
    EXPECT_EQ(ErrorOf([] { SerialToDate(1e9); }), err::Overflow);
}

}  // namespace
}  // namespace tolm
