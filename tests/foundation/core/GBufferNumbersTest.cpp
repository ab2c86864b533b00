// Number text in GBuffer: every writer and reader, each case run under the C locale and under a
// locale whose decimal separator is a comma, where printf and strtod would write and read "1,5".
#include <gtest/gtest.h>

#include "BufferText.h"

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "GBuffer.h"

namespace
{
using testsupport::TextOf;

GBuffer Bytes(char const* text)
{
    return GBuffer(text);
}

double const cNaN = std::numeric_limits<double>::quiet_NaN();
double const cInf = std::numeric_limits<double>::infinity();

class GBufferNumbersTest : public testing::TestWithParam<char const*>
{
protected:
    void SetUp() override
    {
        fPrevious = std::setlocale(LC_ALL, nullptr);
        ASSERT_NE(std::setlocale(LC_ALL, GetParam()), nullptr)
            << "cannot set the locale " << GetParam() << "; run scripts/install-deps to generate it";
        if (std::strcmp(GetParam(), "C") != 0)
        {
            ASSERT_STREQ(std::localeconv()->decimal_point, ",")
                << GetParam() << " should write a decimal comma";
        }
    }

    void TearDown() override { std::setlocale(LC_ALL, fPrevious.c_str()); }

    std::string fPrevious;
};

struct RealCase
{
    double value;
    char const* text;
};

TEST_P(GBufferNumbersTest, WritesIntegersInDecimal)
{
    EXPECT_EQ(TextOf(GBuffer(0)), "0");
    EXPECT_EQ(TextOf(GBuffer(-42)), "-42");
    EXPECT_EQ(TextOf(GBuffer(std::numeric_limits<int>::min())), "-2147483648");
    EXPECT_EQ(TextOf(GBuffer(std::numeric_limits<int>::max())), "2147483647");
    EXPECT_EQ(TextOf(GBuffer(4294967295u)), "4294967295");
    EXPECT_EQ(TextOf(GBuffer(std::numeric_limits<long long>::min())), "-9223372036854775808");
    EXPECT_EQ(TextOf(GBuffer(std::numeric_limits<unsigned long long>::max())), "18446744073709551615");
    // Large values must not pick up a locale's grouping.
    GBuffer buffer("old text that is longer");
    buffer.Set(1234567);
    EXPECT_EQ(TextOf(buffer), "1234567");
    buffer.Set(3000000000u);
    EXPECT_EQ(TextOf(buffer), "3000000000");
}

TEST_P(GBufferNumbersTest, PadsIntegersToAMinimumNumberOfDigits)
{
    struct Case
    {
        int value;
        int precision;
        char const* text;
    } const cases[] = {
        {7, 3, "007"},     {-7, 3, "-007"},
        {1234, 2, "1234"}, {0, 0, ""},
        {0, 1, "0"},       {5, 0, "5"},
        {0, -1, "0"},      {-5, -3, "-5"},
        {0, 4, "0000"},    {std::numeric_limits<int>::min(), 12, "-002147483648"},
    };
    GBuffer buffer;
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.value) + " with precision " + std::to_string(c.precision));
        buffer.Set(c.value, c.precision);
        EXPECT_EQ(TextOf(buffer), c.text);
    }
}

TEST_P(GBufferNumbersTest, CutsAPaddedIntegerAtItsLimit)
{
    GBuffer buffer;
    buffer.Set(5, 2000);
    EXPECT_EQ(TextOf(buffer), std::string(1031, '0'));
    buffer.Set(-5, std::numeric_limits<int>::max());
    EXPECT_EQ(TextOf(buffer), "-" + std::string(1030, '0'));
    buffer.Set(-5, std::numeric_limits<int>::min());
    EXPECT_EQ(TextOf(buffer), "-5");
    buffer.Set(5, 1030);
    EXPECT_EQ(TextOf(buffer), std::string(1029, '0') + "5");
}

TEST_P(GBufferNumbersTest, WritesRealsWithSixRoundedFractionalDigits)
{
    RealCase const cases[] = {
        {12.0, "12"},
        {0.05, "0.05"},
        {2.0000004, "2"},
        {2.0000005, "2.000001"},
        {1e20, "100000000000000000000"},
        {-0.0, "0"},
        {-0.0000001, "0"},
        {-0.0000005, "-0.000001"},
        {0.1, "0.1"},
        {1234.5678904, "1234.56789"},
        {-1.5, "-1.5"},
        {0.9999999, "1"},
        {-9.9999999, "-10"},
        {0.000001, "0.000001"},
        {123456789.25, "123456789.25"},
        // Beyond 2^64 the integer part is still written exactly, digit for digit.
        {std::ldexp(1.0, 70), "1180591620717411303424"},
        {1e23, "99999999999999991611392"},
        {cNaN, "nan"},
        {-cNaN, "-nan"},
        {cInf, "inf"},
        {-cInf, "-inf"},
    };
    GBuffer buffer;
    for (RealCase const& c : cases)
    {
        SCOPED_TRACE(c.text);
        buffer.Set(c.value);
        EXPECT_EQ(TextOf(buffer), c.text);
        EXPECT_EQ(TextOf(GBuffer(c.value)), c.text);
    }
}

TEST_P(GBufferNumbersTest, WritesTheLargestRealInFull)
{
    GBuffer buffer;
    buffer.Set(-std::numeric_limits<double>::max());
    std::string const text = TextOf(buffer);
    ASSERT_EQ(text.size(), 310u);
    EXPECT_EQ(text.substr(0, 20), "-1797693134862315708");
    EXPECT_EQ(text.find_first_not_of("-0123456789"), std::string::npos);
}

TEST_P(GBufferNumbersTest, WritesRealsWithARequestedPrecision)
{
    struct Case
    {
        double value;
        int precision;
        char const* text;
    } const cases[] = {
        {3.14159, 2, "3.14"},
        {3.999, 2, "4"},
        {2.5, 0, "3"},
        {-2.5, 0, "-3"},
        {-0.4, 0, "0"},
        {0.125, 3, "0.125"},
        {0.125, 1, "0.1"},
        {1.05, 10, "1.05"},
        {0.1, 16, "0.1"},
        {0.1, 40, "0.1"},
        {0.1, -1, "0.1"},
        {1.0 / 3.0, 16, "0.3333333333333333"},
        {1.0 / 3.0, 40, "0.3333333333333333"},
        {-cInf, 3, "-inf"},
    };
    GBuffer buffer;
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::string(c.text) + " with precision " + std::to_string(c.precision));
        buffer.SetWithPrecision(c.value, c.precision);
        EXPECT_EQ(TextOf(buffer), c.text);
    }
}

TEST_P(GBufferNumbersTest, WritesRealsInHighPrecision)
{
    RealCase const cases[] = {
        {123456.0, "1.23456e05"},
        {0.00012, "1.2e-04"},
        {1e10, "1e10"},
        {99999.5, "99999.5"},
        {0.001, "0.001"},
        {100000.0, "1e05"},
        {0.0, "0"},
        {-0.0, "0"},
        {-123456.0, "-1.23456e05"},
        {0.0001, "1e-04"},
        {1e-10, "1e-10"},
        {1.5e300, "1.5e300"},
        {0.5, "0.5"},
        {1.25, "1.25"},
        {-2.0, "-2"},
        {cNaN, "nan"},
        {-cInf, "-inf"},
    };
    GBuffer buffer;
    for (RealCase const& c : cases)
    {
        SCOPED_TRACE(c.text);
        buffer.SetWithHighPrecision(c.value);
        EXPECT_EQ(TextOf(buffer), c.text);
    }
}

TEST_P(GBufferNumbersTest, WritesAMantissaFromOneToTenJustBelowAPowerOfTen)
{
    // log10 of each value rounds up to a whole number, which leaves a mantissa of 0.99...
    RealCase const cases[] = {
        {std::nextafter(1e6, 0.0), "1e06"},
        {std::nextafter(1e-3, 0.0), "1e-03"},
        {9.9999999999999694e-310, "9.99999999999997e-310"},
        {-9.9999999999994754e-311, "-9.999999999999476e-311"},
    };
    GBuffer buffer;
    for (RealCase const& c : cases)
    {
        SCOPED_TRACE(c.text);
        buffer.SetWithHighPrecision(c.value);
        EXPECT_EQ(TextOf(buffer), c.text);
    }
    // The smallest subnormal needs a power of ten beyond the range of a double to scale it.
    buffer.SetWithHighPrecision(std::numeric_limits<double>::denorm_min());
    std::string const text = TextOf(buffer);
    EXPECT_EQ(text.substr(0, 16), "4.94065645841246");
    EXPECT_EQ(text.substr(text.size() - 5), "e-324");
}

TEST_P(GBufferNumbersTest, FormatsARealWithOneConversionAndDropsTrailingZeros)
{
    struct Case
    {
        double value;
        char const* format;
        char const* text;
    } const cases[] = {
        {1.5, "%f", "1.5"},
        {3.0, "%f", "3"},
        {-2.25, "%.3f", "-2.25"},
        {100.0, "%.0f", "100"},
        {1.5, "%8.2f", "    1.5"},
        {1.5, "%-8.2f", "1.50    "},
        {1.5, "%+08.3f", "+001.5"},
        {1.5, "%#.0f", "2"},
        {1.5, "%.f", "2"},
        {2.5, "width %f mm", "width 2.500000 mm"},
        {2.5, "v1.2 %f", "v1.2 2.5"},
        {50.0, "%.1f%%", "50.0%"},
        {50.0, "%%%.2f", "%50"},
        {1.5, "%e", "1.500000e+00"},
        {1.5, "%E", "1.500000E+00"},
        {1e-5, "%g", "1e-05"},
        {1.5, "%#g", "1.5"},
        {1e20, "%G", "1E+20"},
        {1.5, "%a", "0x1.8p+0"},
        {1.0, "%A", "0X1P+0"},
        {1.0, "% F", " 1"},
        {cNaN, "%f", "nan"},
        {-cInf, "%F", "-INF"},
    };
    GBuffer buffer;
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.format);
        buffer.Set(c.value, Bytes(c.format));
        EXPECT_EQ(TextOf(buffer), c.text);
        EXPECT_EQ(TextOf(GBuffer(c.value, Bytes(c.format))), c.text);
    }
}

TEST_P(GBufferNumbersTest, RefusesFormatsWithoutExactlyOneRealConversion)
{
    char const* const formats[] = {
        "",          "plain text", "%%",     "%f %f",  "%d",
        "%s",        "%n",         "%lf",    "%Lf",    "%*f",
        "%.*f",      "%1$f",       "%'f",    "%",      "abc %",
        "%f%",       "%-",         "%.2",    "%1024f", "%.1024f",
        "%f and %d", "%x",         "%5.2lf", "%c",     "%99999999999999999999f",
    };
    GBuffer buffer;
    for (char const* format : formats)
    {
        SCOPED_TRACE(format);
        buffer = "previous";
        buffer.Set(1.5, Bytes(format));
        EXPECT_EQ(TextOf(buffer), "");
    }
    // The largest width and precision accepted; the text is cut at 1,023 characters before its
    // trailing zeros go.
    buffer.Set(1.5, Bytes("%1023e"));
    EXPECT_EQ(TextOf(buffer), std::string(1011, ' ') + "1.500000e+00");
    buffer.Set(1e300, Bytes("%.1023f"));
    EXPECT_EQ(TextOf(buffer), TextOf(GBuffer(1e300)));
}

TEST_P(GBufferNumbersTest, FormatsFromItsOwnBytes)
{
    GBuffer buffer("%.2f");
    buffer.Set(0.125, buffer);
    EXPECT_EQ(TextOf(buffer), "0.12");
    // A format that is borrowed and not terminated is read only up to its length.
    static char const cBytes[] = {'%', 'f', 'x'};
    GBuffer format;
    format.SetFromStatic(cBytes, 2, 3);
    buffer.Set(2.0, format);
    EXPECT_EQ(TextOf(buffer), "2");
}

TEST_P(GBufferNumbersTest, ReadsWrappedUnsignedIntegers)
{
    struct Case
    {
        char const* text;
        unsigned int value;
    } const cases[] = {
        {"  -1", 4294967295u},
        {"12abc", 12u},
        {"abc", 0u},
        {"", 0u},
        {"+7", 7u},
        {"-", 0u},
        {"+-3", 0u},
        {"4294967296", 0u},
        {"4294967297", 1u},
        {"\b\t\n\v\r 42", 42u},
        // Form feed is not white space here.
        {"\f42", 0u},
        {"1 2", 1u},
        {"0042", 42u},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Bytes(c.text).GetUInt32(), c.value);
    }
}

TEST_P(GBufferNumbersTest, ReadsWrappedSixtyFourBitIntegers)
{
    struct Case
    {
        char const* text;
        long long value;
    } const cases[] = {
        {" -9223372036854775808", std::numeric_limits<long long>::min()},
        {"9223372036854775807x", std::numeric_limits<long long>::max()},
        {"18446744073709551615", -1},
        {"18446744073709551616", 0},
        {"\v4294967296", 4294967296LL},
        {"-12", -12},
        {"\f5", 0},
        {"x5", 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Bytes(c.text).GetInt64(), c.value);
    }
}

TEST_P(GBufferNumbersTest, ReadsSignedIntegersAsAtolDoes)
{
    struct Case
    {
        char const* text;
        int value;
    } const cases[] = {
        {"  -17", -17},
        {"\f\t+8z", 8},
        {"\b8", 0},
        {"abc", 0},
        {"", 0},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<int>::min()},
        // Kept to the low 32 bits of the 64-bit value.
        {"4294967297", 1},
        {"-4294967297", -1},
        // Beyond 64 bits atol stays at the end of its range, whose low 32 bits are all ones or zeros.
        {"99999999999999999999999", -1},
        {"-99999999999999999999999", 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Bytes(c.text).GetInt32(), c.value);
    }
}

TEST_P(GBufferNumbersTest, ReadsRealsFromTheStartOfTheBytes)
{
    struct Case
    {
        char const* text;
        double value;
    } const cases[] = {
        {"1.5", 1.5},
        {" 1.5", 0.0},
        {"1.5e3xyz", 1500.0},
        {"1,5", 1.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"-.25", -0.25},
        {"+2.5E-2", 0.025},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"abc", 0.0},
        {"", 0.0},
        {".", 0.0},
        {"-", 0.0},
        {"+-1", 0.0},
        {"--1", 0.0},
        {"0x1p3", 0.0},
        {"inf", cInf},
        {"-Infinity", -cInf},
        {"+INF", cInf},
        {"1e999", cInf},
        {"-1e999", -cInf},
        {"123456789012345678901234567890", 123456789012345678901234567890.0},
        {"0.1", 0.1},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Bytes(c.text).GetReal(), c.value);
    }
    for (char const* text : {"nan", "NaN", "-NAN", "nan(12)"})
    {
        SCOPED_TRACE(text);
        EXPECT_TRUE(std::isnan(Bytes(text).GetReal()));
    }
    for (char const* text : {"1e-999", "-1e-999", "0.000000000000000000000000001e-320", "-0"})
    {
        SCOPED_TRACE(text);
        double const value = Bytes(text).GetReal();
        EXPECT_EQ(value, 0.0);
        EXPECT_EQ(std::signbit(value), text[0] == '-');
    }
}

TEST_P(GBufferNumbersTest, ReadsOnlyTheBufferLength)
{
    static char const cBytes[] = {'1', '2', '3', '4'};
    GBuffer buffer;
    buffer.SetFromStatic(cBytes, 2, 4);
    EXPECT_EQ(buffer.GetUInt32(), 12u);
    EXPECT_EQ(buffer.GetInt32(), 12);
    EXPECT_EQ(buffer.GetInt64(), 12);
    EXPECT_EQ(buffer.GetReal(), 12.0);
}

TEST_P(GBufferNumbersTest, ReadsBackWhatItWrites)
{
    double const values[] = {0.5, -1234.5678, 1e20, 3.000001, -0.000042};
    for (double value : values)
    {
        SCOPED_TRACE(value);
        EXPECT_EQ(GBuffer(value).GetReal(), std::round(value * 1e6) / 1e6);
    }
    EXPECT_EQ(GBuffer(-123).GetInt32(), -123);
    EXPECT_EQ(GBuffer(4000000000u).GetUInt32(), 4000000000u);
    EXPECT_EQ(GBuffer(-5000000000LL).GetInt64(), -5000000000LL);
}

INSTANTIATE_TEST_SUITE_P(Locales, GBufferNumbersTest, testing::Values("C", "de_DE.UTF-8"),
                         [](testing::TestParamInfo<char const*> const& info) {
                             return info.index == 0 ? std::string("CLocale")
                                                    : std::string("DecimalCommaLocale");
                         });

} // namespace
