// Numbers as 8-bit decimal text in a GBuffer and back. Nothing here reads the process's locale: a
// program that sets one (Qt does) must still write and read "1.5", never "1,5".
#include "GBuffer.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <locale.h>

#include "GStringSupport.h"

namespace
{
// Ten to the powers 0 to 16, each exact in a double.
constexpr double cPowersOfTen[] = {1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7, 1e8,
                                   1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16};

constexpr int cStandardDigits = 6;
constexpr int cMaxDigits = 16;
constexpr int cHighPrecisionDigits = 15;
constexpr int cMaxIntegerText = 1031;
constexpr int cMaxFormattedText = 1023;
// Sign, the 309 digits of the largest double's integer part, point, 16 digits, exponent.
constexpr int cRealTextSize = 352;

// isspace of the C locale, which atol skips: tab to carriage return (form feed included) and space.
bool IsCWhiteSpace(unsigned char c)
{
    return (c >= 9 && c <= 13) || c == 32;
}

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

void SetText(GBuffer& buffer, char const* text, int len)
{
    buffer.Set(reinterpret_cast<unsigned char const*>(text), len);
}

// The decimal text of an integer of any width.
template<class Integer>
void SetDecimal(GBuffer& buffer, Integer value)
{
    char text[24];
    char* const end = std::to_chars(text, text + sizeof text, value).ptr;
    SetText(buffer, text, static_cast<int>(end - text));
}

// A real split into what the decimal text shows: the integer part and the fraction rounded half
// up to a number of digits, a carry already moved into the integer part.
struct RoundedReal
{
    double whole;
    std::uint64_t fraction;
};

RoundedReal Round(double magnitude, int digits)
{
    double whole;
    double const fraction = std::modf(magnitude, &whole);
    double const scale = cPowersOfTen[digits];
    double rounded = std::floor(fraction * scale + 0.5);
    if (rounded >= scale)
    {
        rounded -= scale;
        whole += 1.0;
    }
    return {whole, static_cast<std::uint64_t>(rounded)};
}

char* WriteNonFinite(char* p, double value)
{
    if (std::signbit(value))
        *p++ = '-';
    std::memcpy(p, std::isnan(value) ? "nan" : "inf", 3);
    return p + 3;
}

// Sign, integer part in full and the fraction's digits without trailing zeros; "-" only for a
// negative value that does not round to zero. p must have room for cRealTextSize characters.
char* WriteRounded(char* p, bool negative, RoundedReal const& r, int digits)
{
    if (negative && (r.whole != 0.0 || r.fraction != 0))
        *p++ = '-';
    char* const end = p + cRealTextSize - 1;
    // Below 2^64 the integer path is exact and much faster than the real one.
    if (r.whole < 18446744073709551616.0)
        p = std::to_chars(p, end, static_cast<std::uint64_t>(r.whole)).ptr;
    else
        p = std::to_chars(p, end, r.whole, std::chars_format::fixed, 0).ptr;
    if (r.fraction == 0)
        return p;
    std::uint64_t fraction = r.fraction;
    while (fraction % 10 == 0)
    {
        fraction /= 10;
        --digits;
    }
    *p++ = '.';
    // The digits kept, right-aligned in `digits` places behind the leading zeros.
    char* const last = p + digits;
    for (char* q = last; q != p;)
    {
        *--q = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    return last;
}

int WriteFixedReal(char* text, double value, int digits)
{
    char* p = text;
    if (!std::isfinite(value))
        p = WriteNonFinite(p, value);
    else
        p = WriteRounded(p, value < 0.0, Round(std::fabs(value), digits), digits);
    return static_cast<int>(p - text);
}

int WriteHighPrecisionReal(char* text, double value)
{
    double const magnitude = std::fabs(value);
    bool const scientific =
        std::isfinite(value) && magnitude != 0.0 && (magnitude >= 1e5 || magnitude < 1e-3);
    if (!scientific)
        return WriteFixedReal(text, value, cHighPrecisionDigits);

    int exponent;
    double mantissa;
    if (magnitude >= 1e5)
    {
        exponent = static_cast<int>(std::floor(std::log10(magnitude)));
        mantissa = magnitude / std::pow(10.0, exponent);
    }
    else
    {
        int const k = static_cast<int>(std::ceil(-std::log10(magnitude)));
        // 10^k overflows beyond 308, which the smallest subnormals need: scale in two steps.
        mantissa = k > 300 ? magnitude * 1e300 * std::pow(10.0, k - 300) : magnitude * std::pow(10.0, k);
        exponent = -k;
    }
    // Just below a power of ten log10 may round up to it and leave a mantissa of 0.99...; one
    // that does not round up to 1 steps down a power, so that it reads 9.99... and not 0.99...
    RoundedReal r = Round(mantissa, cHighPrecisionDigits);
    if (r.whole == 0.0)
    {
        --exponent;
        r = Round(mantissa * 10.0, cHighPrecisionDigits);
    }
    char* p = WriteRounded(text, value < 0.0, r, cHighPrecisionDigits);
    *p++ = 'e';
    if (exponent < 0)
    {
        *p++ = '-';
        exponent = -exponent;
    }
    if (exponent < 10)
        *p++ = '0';
    p = std::to_chars(p, p + 4, exponent).ptr;
    return static_cast<int>(p - text);
}

// Checks a caller's printf format: literal text and "%%" around exactly one floating-point
// conversion with flags, width and precision only, each number at most cMaxFormattedText.
bool IsSingleRealFormat(char const* format)
{
    int conversions = 0;
    for (char const* p = format; *p; ++p)
    {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        while (*p && std::strchr("-+ #0", *p))
            ++p;
        for (int width = 0; IsDigit(*p); ++p)
            if ((width = width * 10 + (*p - '0')) > cMaxFormattedText)
                return false;
        if (*p == '.')
            for (int precision = 0; IsDigit(*++p);)
                if ((precision = precision * 10 + (*p - '0')) > cMaxFormattedText)
                    return false;
        if (!*p || !std::strchr("fFeEgGaA", *p) || ++conversions > 1)
            return false;
    }
    return conversions == 1;
}

// printf of one double as the C locale writes it, whatever locale the process or thread has set.
int FormatInCLocale(char* text, int size, char const* format, double value)
{
    static locale_t const sCLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    if (sCLocale == locale_t(0))
        return -1;
    locale_t const previous = uselocale(sCLocale);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int const len = std::snprintf(text, static_cast<std::size_t>(size), format, value);
#pragma GCC diagnostic pop
    uselocale(previous);
    return len;
}

// Trailing zeros of a fraction that ends the text, then a bare point. The last point must be
// followed by digits only, so that an exponent such as "e+00" or "p+0" is left alone.
int RemoveTrailingZeros(char const* text, int len)
{
    int pointAt = len - 1;
    while (pointAt >= 0 && text[pointAt] != '.')
        --pointAt;
    if (pointAt < 0)
        return len;
    char const* const point = text + pointAt;
    for (char const* p = point + 1; p != text + len; ++p)
        if (!IsDigit(static_cast<unsigned char>(*p)))
            return len;
    while (text + len - 1 > point && text[len - 1] == '0')
        --len;
    if (text + len - 1 == point)
        --len;
    return len;
}

// Decimal digits after an optional sign, accumulated modulo 2^64 and negated after "-".
std::uint64_t ReadWrappedInteger(unsigned char const* p)
{
    while (GStringSupport::IsWhiteSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    std::uint64_t value = 0;
    for (; IsDigit(*p); ++p)
        value = value * 10 + (*p - '0');
    return negative ? 0 - value : value;
}

// Whether a decimal number that a double cannot hold is too large rather than too small: the
// power of ten of its first significant digit decides. text starts at the digits or the point.
bool IsTooLarge(char const* text, char const* end)
{
    long long power = -1;
    bool significant = false;
    char const* p = text;
    for (; p != end && IsDigit(static_cast<unsigned char>(*p)); ++p)
        if (significant || *p != '0')
        {
            significant = true;
            ++power;
        }
    if (!significant && p != end && *p == '.')
        for (++p; p != end && IsDigit(static_cast<unsigned char>(*p)) && !significant; ++p)
        {
            --power;
            significant = *p != '0';
        }
    while (p != end && (IsDigit(static_cast<unsigned char>(*p)) || *p == '.'))
        ++p;
    if (p != end && (*p == 'e' || *p == 'E'))
    {
        ++p;
        bool negative = false;
        if (p != end && (*p == '+' || *p == '-'))
            negative = *p++ == '-';
        long long exponent = 0;
        for (; p != end && IsDigit(static_cast<unsigned char>(*p)); ++p)
            if (exponent < 1000000000)
                exponent = exponent * 10 + (*p - '0');
        power += negative ? -exponent : exponent;
    }
    return power >= 0;
}
} // namespace

GBuffer::GBuffer(long long value) : GBuffer()
{
    SetDecimal(*this, value);
}

GBuffer::GBuffer(unsigned long long value) : GBuffer()
{
    SetDecimal(*this, value);
}

void GBuffer::Set(int value)
{
    SetDecimal(*this, value);
}

void GBuffer::Set(unsigned int value)
{
    SetDecimal(*this, value);
}

void GBuffer::Set(int value, int precision)
{
    char digits[16];
    unsigned int const magnitude =
        value < 0 ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
    int count = static_cast<int>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
    if (precision == 0 && value == 0)
        count = 0;
    char text[cMaxIntegerText + 1];
    int len = 0;
    if (value < 0)
        text[len++] = '-';
    // Longer texts are cut at the limit, as the bounded printf they stand for would.
    for (int zeros = precision > count ? precision - count : 0; zeros > 0 && len < cMaxIntegerText; --zeros)
        text[len++] = '0';
    for (int i = 0; i < count && len < cMaxIntegerText; ++i)
        text[len++] = digits[i];
    SetText(*this, text, len);
}

void GBuffer::Set(double value)
{
    char text[cRealTextSize];
    int const len = WriteFixedReal(text, value, cStandardDigits);
    SetText(*this, text, len);
}

void GBuffer::SetWithPrecision(double value, int precision)
{
    if (precision < 0 || precision > cMaxDigits)
        precision = cMaxDigits;
    char text[cRealTextSize];
    int const len = WriteFixedReal(text, value, precision);
    SetText(*this, text, len);
}

void GBuffer::SetWithHighPrecision(double value)
{
    char text[cRealTextSize];
    int const len = WriteHighPrecisionReal(text, value);
    SetText(*this, text, len);
}

void GBuffer::Set(double value, GBuffer const& format)
{
    // The text is made before this buffer changes: format may be this very buffer.
    char const* const pattern = reinterpret_cast<char const*>(format.GetPtr());
    char text[cMaxFormattedText + 1];
    int len = IsSingleRealFormat(pattern) ? FormatInCLocale(text, sizeof text, pattern, value) : -1;
    if (len < 0)
    {
        fLength = 0;
        return;
    }
    if (len > cMaxFormattedText)
        len = cMaxFormattedText;
    len = RemoveTrailingZeros(text, len);
    SetText(*this, text, len);
}

int GBuffer::GetInt32() const
{
    unsigned char const* p = GetPtr();
    while (IsCWhiteSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    // strtol's range: a value beyond 64 bits stays at the nearest end.
    std::uint64_t const limit = negative ? std::uint64_t(1) << 63 : (std::uint64_t(1) << 63) - 1;
    std::uint64_t value = 0;
    for (; IsDigit(*p); ++p)
        value = value > (limit - (*p - '0')) / 10 ? limit : value * 10 + (*p - '0');
    return static_cast<int>(static_cast<std::uint32_t>(negative ? 0 - value : value));
}

unsigned int GBuffer::GetUInt32() const
{
    return static_cast<unsigned int>(ReadWrappedInteger(GetPtr()));
}

long long GBuffer::GetInt64() const
{
    return static_cast<long long>(ReadWrappedInteger(GetPtr()));
}

double GBuffer::GetReal() const
{
    char const* p = reinterpret_cast<char const*>(GetPtr());
    char const* const end = p + fLength;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    // from_chars takes no "+" and would take a second sign itself.
    if (p == end || *p == '+' || *p == '-')
        return 0.0;
    double value = 0.0;
    std::from_chars_result const result = std::from_chars(p, end, value);
    if (result.ec == std::errc::invalid_argument)
        return 0.0;
    if (result.ec == std::errc::result_out_of_range)
        value = IsTooLarge(p, result.ptr) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}
