// Number text: hostile bytes read as numbers as the C library reads them, and every number written
// by the buffer reads back as itself (within the digits written).
#include "FuzzSupport.h"

#include <clocale>
#include <cmath>
#include <cstdlib>

#include "GBufferSupport.h"

using namespace fuzzsupport;

namespace
{
double Parsed(GBuffer const& text)
{
    return text.GetReal();
}

bool Near(double read, double value, double tolerance)
{
    return std::fabs(read - value) <= tolerance;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    int const integer = input.ConsumeIntegral<int>();
    unsigned const natural = input.ConsumeIntegral<unsigned>();
    long long const wide = input.ConsumeIntegral<long long>();
    double const real = input.ConsumeFloatingPoint<double>();
    int const precision = input.ConsumeIntegralInRange<int>(-2, 40);
    std::string const bytes = input.ConsumeRemainingBytesAsString();
    GBuffer const text = BufferOf(bytes);

    // Hostile text: the readers end, and a text that is wholly a decimal number reads as strtod does.
    (void)text.GetInt32();
    (void)text.GetUInt32();
    (void)text.GetInt64();
    double const read = text.GetReal();
    if (GBufferSupport::IsReal(text) && bytes.find('\0') == std::string::npos)
    {
        double const reference = std::strtod(bytes.c_str(), nullptr);
        Check(read == reference || (std::isnan(read) && std::isnan(reference)),
              "a decimal number reads as the C library reads it", bytes);
    }

    // Written numbers read back.
    Check(GBuffer(integer).GetInt32() == integer, "an int reads back", std::to_string(integer));
    Check(GBuffer(natural).GetUInt32() == natural, "an unsigned int reads back", std::to_string(natural));
    Check(GBuffer(wide).GetInt64() == wide, "a long long reads back", std::to_string(wide));
    if (std::isfinite(real))
    {
        GBuffer standard(real);
        Check(GBufferSupport::IsReal(standard), "the standard real form is a real number", BytesOf(standard));
        Check(Near(Parsed(standard), real, 0.5e-6 + std::fabs(real) * 1e-15),
              "the standard real form reads back", BytesOf(standard));
        // Sixteen significant digits round the largest doubles up past the largest double.
        GBuffer high;
        high.SetWithHighPrecision(real);
        if (std::fabs(real) < 1.7976931348623e308)
            Check(Near(Parsed(high), real, std::fabs(real) * 1e-13), "the high-precision form reads back",
                  BytesOf(high));
        GBuffer fixed;
        fixed.SetWithPrecision(real, precision);
        int const digits = precision < 0 || precision > 16 ? 16 : precision;
        Check(Near(Parsed(fixed), real, 0.5 * std::pow(10.0, -digits) + std::fabs(real) * 1e-15),
              "the real form with a precision reads back", BytesOf(fixed));
        GBuffer fast;
        GBufferSupport::RealToBuffer(real, fast, false);
        double const limited = std::fmax(-1e50, std::fmin(1e50, real));
        // Five decimals above 0.1, six significant digits (truncated) below.
        double const tolerance = std::fabs(real) < 0.1 ? std::fmax(std::fabs(real) * 1e-5, 1e-16)
                                                       : 0.5e-5 + std::fabs(limited) * 1e-15;
        Check(Near(Parsed(fast), limited, tolerance), "the fast real form reads back", BytesOf(fast));
    }
    return 0;
}
