// GQStringSupport's conversions of text from GString to QString and back against Qt's own copies of
// the same UTF-16 units (QString::fromUtf16 into Qt, QString::utf16 copied out of it), for a short
// interface text and for 64 KiB of mixed text (English, accented Latin, Chinese and Japanese). The
// round trip is the figure; each direction is shown beside it. A GString always takes its storage
// from the foundation's allocator, whose lock makes a short copy out of Qt cost more than a plain
// heap copy.
#include "BenchRatio.h"

#include <QString>

#include <string>

#include "GBasicFrameworkCoreLayer.h"
#include "GQStringSupport.h"
#include "GUnicodeEncoding.h"

namespace
{
constexpr int cShort = 0;
constexpr int cLong = 1;

QString const& Text(int which)
{
    static QString const texts[] = {
        QString::fromUtf8("Export the front document to the chosen Sendrixor (Größe: A4)"),
        []
        {
            QString const sentences = QString::fromUtf8(
                "The quick brown fox jumps over the lazy dog while the export runs in the background. "
                "Le cœur déçu mais l'âme plutôt naïve, Louÿs rêva de crapaüter en canoë au delà des îles. "
                "我能吞下玻璃而不伤身体。文字コードの変換は速くなければならない。 ");
            QString result;
            while (result.size() + sentences.size() <= 32 * 1024)
                result += sentences;
            return result;
        }(),
    };
    return texts[which];
}

GString const& Foundation(int which)
{
    static GString const strings[] = {GQStringSupport::ToGString(Text(cShort), false),
                                      GQStringSupport::ToGString(Text(cLong), false)};
    return strings[which];
}

void BM_QtFromUtf16(benchmark::State& state)
{
    GBuffer const units = Foundation(int(state.range(0))).GetBuffer(GUnicodeEncoding::GetInstance());
    for (auto _ : state)
    {
        QString const text =
            QString::fromUtf16(reinterpret_cast<char16_t const*>(units.GetPtr()), units.GetLength() / 2);
        benchmark::DoNotOptimize(text.constData());
    }
}

void BM_ToQString(benchmark::State& state)
{
    GString const& string = Foundation(int(state.range(0)));
    for (auto _ : state)
    {
        QString const text = GQStringSupport::ToQString(string);
        benchmark::DoNotOptimize(text.constData());
    }
}

void BM_QtUtf16Copy(benchmark::State& state)
{
    QString const& text = Text(int(state.range(0)));
    for (auto _ : state)
    {
        std::u16string const copy(reinterpret_cast<char16_t const*>(text.utf16()), std::size_t(text.size()));
        benchmark::DoNotOptimize(copy.data());
    }
}

void BM_ToGString(benchmark::State& state)
{
    QString const& text = Text(int(state.range(0)));
    for (auto _ : state)
    {
        GString const string = GQStringSupport::ToGString(text, false);
        benchmark::DoNotOptimize(&string);
    }
}

BENCHMARK(BM_QtFromUtf16)->Arg(cShort)->Arg(cLong);
BENCHMARK(BM_ToQString)->Arg(cShort)->Arg(cLong);
BENCHMARK(BM_QtUtf16Copy)->Arg(cShort)->Arg(cLong);
BENCHMARK(BM_ToGString)->Arg(cShort)->Arg(cLong);
// The way there and back: both conversions' times against both of Qt's copies.
void PrintRoundTrip(bench::Times const& times, char const* size, char const* argument)
{
    std::string const suffix = std::string("/") + argument;
    double const ours = times.at("BM_ToQString" + suffix) + times.at("BM_ToGString" + suffix);
    double const qt = times.at("BM_QtFromUtf16" + suffix) + times.at("BM_QtUtf16Copy" + suffix);
    bench::PrintFigure(std::string("GString to QString and back (") + size + "), time",
                       "QString::fromUtf16 and QString::utf16 copy time", bench::FormatRatio(ours / qt),
                       "goal <= 2");
}
} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    bench::Times const times = bench::RunAll(argc, argv);
    PrintRoundTrip(times, "short text", "0");
    PrintRoundTrip(times, "64 KiB", "1");
    bench::PrintTimeRatio(times, "GString to QString (short text), time / QString::fromUtf16 time",
                          "BM_ToQString/0", "BM_QtFromUtf16/0", "one direction, for information");
    bench::PrintTimeRatio(times, "GString to QString (64 KiB), time / QString::fromUtf16 time",
                          "BM_ToQString/1", "BM_QtFromUtf16/1", "one direction, for information");
    bench::PrintTimeRatio(times, "QString to GString (short text), time / QString::utf16 copy time",
                          "BM_ToGString/0", "BM_QtUtf16Copy/0", "one direction, for information");
    bench::PrintTimeRatio(times, "QString to GString (64 KiB), time / QString::utf16 copy time",
                          "BM_ToGString/1", "BM_QtUtf16Copy/1", "one direction, for information");
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
