// WinAnsi <-> UTF-16 against glibc's iconv ("CP1252" <-> "UTF-16LE"): 1 MiB of text that WinAnsi
// holds whole (ASCII, accented Latin and some of the 0x80-0x9F punctuation), each way, on the routes a
// string takes: into UTF-16 through the Unicode singleton's ConvertFrom, into WinAnsi through the
// WinAnsi singleton's ConvertFrom with a UTF-16 source.
#include "BenchRatio.h"
#include "GBasicFrameworkCoreLayer.h"

#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "GBuffer.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace
{
constexpr int cTextBytes = 1 << 20;

// Words in code page 1252: plain ASCII, accented letters, and typographic punctuation from 0x80-0x9F.
char const* const cWords[] = {
    "the",
    "export",
    "document",
    "caf\xE9",
    "na\xEFve",
    "r\xE9sum\xE9",
    "Stra\xDF"
    "e",
    "\xFC"
    "ber",
    "se\xF1or",
    "fa\xE7"
    "ade",
    "\xE0",
    "co\xF6peration",
    "\x93quoted\x94",
    "it\x92s",
    "\x80"
    "12",
    "wait\x85",
    "\x96",
    "\x97",
    "\x84"
    "Zitat\x93",
    "\x8A"
    "a\x9A"
    "r\x8E",
    "\x9C"
    "uvre",
    "\x91single\x92",
    "\xA9"
    "2024",
    "\xBD",
    "page",
    "InDesign",
    "\xC5ngstr\xF6m",
    "Bj\xF6rk",
    "\xE6sthetic",
    "\xD8resund",
};

GBuffer const& WinAnsiText()
{
    static GBuffer const text = []
    {
        std::mt19937 random(7);
        std::string bytes;
        bytes.reserve(cTextBytes + 32);
        int const words = sizeof cWords / sizeof cWords[0];
        while (bytes.size() < cTextBytes)
        {
            bytes += cWords[random() % words];
            bytes += random() % 12 == 0 ? ". " : " ";
        }
        bytes.resize(cTextBytes);
        return GBuffer(reinterpret_cast<unsigned char const*>(bytes.data()), cTextBytes);
    }();
    return text;
}

GBuffer const& UnicodeText()
{
    static GBuffer const text = []
    {
        GBuffer utf16;
        if (GUnicodeEncoding::GetInstance()->ConvertFrom(WinAnsiText(), GWinAnsiEncoding::GetInstance(),
                                                         utf16) != GEncodingResult::cComplete)
        {
            std::fprintf(stderr, "the sample text does not convert whole\n");
            std::exit(1);
        }
        return utf16;
    }();
    return text;
}

// Converts the whole input with one iconv call into an output sized for it; returns the output length.
std::size_t Iconv(iconv_t cd, GBuffer const& in, std::vector<char>& out)
{
    char* inPtr = const_cast<char*>(reinterpret_cast<char const*>(in.GetPtr()));
    std::size_t inLeft = in.GetLength();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
    {
        std::perror("iconv");
        std::exit(1);
    }
    return out.size() - outLeft;
}

void BM_IconvWinAnsiToUTF16(benchmark::State& state)
{
    iconv_t cd = iconv_open("UTF-16LE", "CP1252");
    GBuffer const& src = WinAnsiText();
    std::vector<char> out(2 * cTextBytes);
    for (auto _ : state)
        benchmark::DoNotOptimize(Iconv(cd, src, out));
    iconv_close(cd);
    state.SetBytesProcessed(state.iterations() * cTextBytes);
}

void BM_GWinAnsiToUTF16(benchmark::State& state)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GWinAnsiEncoding const* winAnsi = GWinAnsiEncoding::GetInstance();
    GBuffer const& src = WinAnsiText();
    GBuffer out;
    for (auto _ : state)
        benchmark::DoNotOptimize(unicode->ConvertFrom(src, winAnsi, out));
    state.SetBytesProcessed(state.iterations() * cTextBytes);
}

void BM_IconvUTF16ToWinAnsi(benchmark::State& state)
{
    iconv_t cd = iconv_open("CP1252", "UTF-16LE");
    GBuffer const& src = UnicodeText();
    std::vector<char> out(cTextBytes);
    for (auto _ : state)
        benchmark::DoNotOptimize(Iconv(cd, src, out));
    iconv_close(cd);
    state.SetBytesProcessed(state.iterations() * cTextBytes);
}

// The route of a string: GCustomEncoding::ConvertFrom, which first has the source (the Unicode
// singleton) convert to UTF-16, then runs the WinAnsi table's ConvertFromUnicode.
void BM_GUTF16ToWinAnsi(benchmark::State& state)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GWinAnsiEncoding const* winAnsi = GWinAnsiEncoding::GetInstance();
    GBuffer const& src = UnicodeText();
    GBuffer out;
    for (auto _ : state)
        benchmark::DoNotOptimize(winAnsi->ConvertFrom(src, unicode, out));
    state.SetBytesProcessed(state.iterations() * cTextBytes);
}

// The table step of that route alone, to show what the first step costs.
void BM_GUTF16ToWinAnsiTableOnly(benchmark::State& state)
{
    GWinAnsiEncoding const* winAnsi = GWinAnsiEncoding::GetInstance();
    GBuffer const& src = UnicodeText();
    GBuffer out;
    for (auto _ : state)
        benchmark::DoNotOptimize(winAnsi->ConvertFromUnicode(src, out));
    state.SetBytesProcessed(state.iterations() * cTextBytes);
}

BENCHMARK(BM_IconvWinAnsiToUTF16);
BENCHMARK(BM_GWinAnsiToUTF16);
BENCHMARK(BM_IconvUTF16ToWinAnsi);
BENCHMARK(BM_GUTF16ToWinAnsi);
BENCHMARK(BM_GUTF16ToWinAnsiTableOnly);

// Both sides must produce the same bytes, or the comparison means nothing.
void CheckAgainstIconv()
{
    iconv_t cd = iconv_open("UTF-16LE", "CP1252");
    std::vector<char> expected(2 * cTextBytes);
    std::size_t const length = Iconv(cd, WinAnsiText(), expected);
    iconv_close(cd);
    GBuffer const& utf16 = UnicodeText();
    if (length != static_cast<std::size_t>(utf16.GetLength()) ||
        std::memcmp(expected.data(), utf16.GetPtr(), length) != 0)
    {
        std::fprintf(stderr, "WinAnsi and iconv disagree on the sample text\n");
        std::exit(1);
    }
    GBuffer back;
    if (GWinAnsiEncoding::GetInstance()->ConvertFrom(utf16, GUnicodeEncoding::GetInstance(), back) !=
            GEncodingResult::cComplete ||
        !(back == WinAnsiText()))
    {
        std::fprintf(stderr, "the sample text does not come back whole\n");
        std::exit(1);
    }
}
} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    CheckAgainstIconv();
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "WinAnsi -> UTF-16 rate / iconv rate", "BM_IconvWinAnsiToUTF16",
                          "BM_GWinAnsiToUTF16", "goal >= 1.0");
    bench::PrintTimeRatio(times, "UTF-16 -> WinAnsi rate / iconv rate", "BM_IconvUTF16ToWinAnsi",
                          "BM_GUTF16ToWinAnsi", "goal >= 1.0");
    bench::PrintTimeRatio(times, "UTF-16 -> WinAnsi table step alone: rate / iconv rate",
                          "BM_IconvUTF16ToWinAnsi", "BM_GUTF16ToWinAnsiTableOnly", "for information");
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
