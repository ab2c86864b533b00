// The platform encodings beside the libraries they stand on: Shift-JIS conversion against iconv with
// a descriptor kept open, and composition against ICU's NFC called directly. Short texts show the
// fixed cost of each call (strings made and released, a measuring pass), long ones the rate.
#include "BenchRatio.h"

#include <iconv.h>
#include <string>
#include <unicode/unorm2.h>
#include <vector>

#include "GBuffer.h"
#include "GSharedObject.h"
#include "GUnicodeEncoding.h"
#include "PMacPlatformEncoding.h"

namespace
{
constexpr int cShort = 16;
constexpr int cLong = 10000;

std::u16string JapaneseText(int units)
{
    std::u16string const sample = u"\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8ABC";
    std::u16string text;
    while (static_cast<int>(text.size()) < units)
        text += sample;
    text.resize(static_cast<std::size_t>(units));
    return text;
}

GBuffer BufferOf(std::u16string const& text)
{
    return GBuffer(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(text.size() * 2));
}

void BM_PlatformToShiftJIS(benchmark::State& state)
{
    GSharedObject<PMacPlatformEncoding> const encoding(new PMacPlatformEncoding(1));
    GBuffer const text = BufferOf(JapaneseText(static_cast<int>(state.range(0))));
    GBuffer out;
    for (auto _ : state)
    {
        encoding->ConvertFromUnicode(text, out);
        benchmark::DoNotOptimize(out.GetPtr());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_IconvToShiftJIS(benchmark::State& state)
{
    std::u16string const text = JapaneseText(static_cast<int>(state.range(0)));
    iconv_t cd = iconv_open("SHIFT_JIS", "UTF-16LE");
    std::vector<char> out(text.size() * 2 + 16);
    for (auto _ : state)
    {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(reinterpret_cast<char const*>(text.data()));
        std::size_t inLeft = text.size() * 2;
        char* o = out.data();
        std::size_t outLeft = out.size();
        iconv(cd, &in, &inLeft, &o, &outLeft);
        benchmark::DoNotOptimize(o);
    }
    iconv_close(cd);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

std::u16string LatinText(int units)
{
    std::u16string const sample = u"Caf\u00E9 cr\u00E8me br\u00FBl\u00E9e, na\u00EFve r\u00E9sum\u00E9. ";
    std::u16string text;
    while (static_cast<int>(text.size()) < units)
        text += sample;
    text.resize(static_cast<std::size_t>(units));
    return text;
}

// Text that is composed already, as nearly every string is.
void BM_PlatformCompose(benchmark::State& state)
{
    GSharedObject<PMacPlatformEncoding> const encoding(new PMacPlatformEncoding(0));
    GBuffer const text = BufferOf(LatinText(static_cast<int>(state.range(0))));
    for (auto _ : state)
    {
        GBuffer work = text;
        encoding->EnsureComposedUnicode(work, false);
        benchmark::DoNotOptimize(work.GetPtr());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ICUCompose(benchmark::State& state)
{
    UErrorCode error = U_ZERO_ERROR;
    UNormalizer2 const* nfc = unorm2_getNFCInstance(&error);
    std::u16string const text = LatinText(static_cast<int>(state.range(0)));
    std::u16string out(text.size() + 16, u'\0');
    for (auto _ : state)
    {
        error = U_ZERO_ERROR;
        int32_t n = unorm2_normalize(nfc, text.data(), static_cast<int32_t>(text.size()), &out[0],
                                     static_cast<int32_t>(out.size()), &error);
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_PlatformToShiftJIS)->Arg(cShort)->Arg(cLong);
BENCHMARK(BM_IconvToShiftJIS)->Arg(cShort)->Arg(cLong);
BENCHMARK(BM_PlatformCompose)->Arg(cShort)->Arg(cLong);
BENCHMARK(BM_ICUCompose)->Arg(cShort)->Arg(cLong);
} // namespace

int main(int argc, char** argv)
{
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "Shift-JIS, 16 units: platform / iconv", "BM_PlatformToShiftJIS/16",
                          "BM_IconvToShiftJIS/16", "per-call cost of the strings and two passes");
    bench::PrintTimeRatio(times, "Shift-JIS, 10000 units: platform / iconv", "BM_PlatformToShiftJIS/10000",
                          "BM_IconvToShiftJIS/10000", "goal below 3: measuring pass plus writing pass");
    bench::PrintTimeRatio(times, "compose, 16 units: platform / ICU", "BM_PlatformCompose/16",
                          "BM_ICUCompose/16", "per-call cost of the strings");
    bench::PrintTimeRatio(times, "compose, 10000 units: platform / ICU", "BM_PlatformCompose/10000",
                          "BM_ICUCompose/10000", "goal below 3");
    return 0;
}
