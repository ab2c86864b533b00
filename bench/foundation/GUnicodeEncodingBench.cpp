// The start-up cost of the Unicode encoding's tables (Initialize, then Finalize), the direct
// conversion of UTF-16 beyond Latin-1 into a single-byte encoding and the naming of codes. There is no
// standard peer: the figures are printed on their own.
#include "BenchRatio.h"

#include <cstdio>

#include "GBuffer.h"
#include "GCharCode.h"
#include "GMacRomanEncoding.h"
#include "GSharedObject.h"
#include "GUnicodeEncoding.h"

namespace
{
constexpr int cUnits = 10000;

void BM_InitializeFinalize(benchmark::State& state)
{
    for (auto _ : state)
    {
        GUnicodeEncoding::Initialize();
        GUnicodeEncoding::Finalize();
    }
}

// Units from U+0100 up, half of them with a MacRoman code, half without.
void BM_ConvertToMacRoman(benchmark::State& state)
{
    GUnicodeEncoding::Initialize();
    GSharedObject<GUnicodeEncoding> const unicode(new GUnicodeEncoding);
    GSharedObject<GMacRomanEncoding> const macRoman(new GMacRomanEncoding);
    unsigned short const units[] = {0x2022, 0x20AC, 0x2122, 0x4E00, 0x0152, 0x03A9, 0x0416, 0xFB01};
    GBuffer text;
    for (int i = 0; i < cUnits; ++i)
        text += units[i % 8];
    GBuffer out;
    for (auto _ : state)
    {
        unicode->ConvertTo(text, macRoman.Get(), out);
        benchmark::DoNotOptimize(out.GetPtr());
    }
    state.SetItemsProcessed(state.iterations() * cUnits);
    GUnicodeEncoding::Finalize();
}

// Every unit of the Basic Multilingual Plane, named or not.
void BM_GetGlyphName(benchmark::State& state)
{
    GUnicodeEncoding::Initialize();
    GSharedObject<GUnicodeEncoding> const unicode(new GUnicodeEncoding);
    GBuffer name;
    for (auto _ : state)
    {
        int named = 0;
        for (unsigned unit = 0; unit < 0x10000; ++unit)
            named += unicode->GetGlyphName(GCharCode(static_cast<unsigned short>(unit)), name);
        benchmark::DoNotOptimize(named);
    }
    state.SetItemsProcessed(state.iterations() * 0x10000);
    GUnicodeEncoding::Finalize();
}

BENCHMARK(BM_InitializeFinalize)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertToMacRoman)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetGlyphName)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    bench::Times const times = bench::RunAll(argc, argv);
    auto const init = times.find("BM_InitializeFinalize");
    if (init != times.end())
        std::printf("GUnicodeEncoding::Initialize + Finalize: %.1f us per call\n", init->second);
    auto const convert = times.find("BM_ConvertToMacRoman");
    if (convert != times.end())
        std::printf("UTF-16 (U+0100 and up) to MacRoman: %.2f ns per unit\n",
                    convert->second * 1000.0 / cUnits);
    auto const name = times.find("BM_GetGlyphName");
    if (name != times.end())
        std::printf("GetGlyphName over U+0000..U+FFFF: %.2f ns per unit\n", name->second * 1000.0 / 0x10000);
    return 0;
}
