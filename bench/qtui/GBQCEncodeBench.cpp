// The encoding guess of 1 MiB of Mac Roman text (it must decide and convert) against Qt's "Apple
// Roman" codec converting the same bytes without deciding anything.
#include "BenchRatio.h"

#include <QTextCodec>

#include <string>

#include "GBQCEncode.h"

namespace
{
constexpr int cTextBytes = 1 << 20;

// German, French and Spanish sentences in Mac Roman, repeated up to 1 MiB.
QByteArray const& MacRomanText()
{
    static QByteArray const text = []
    {
        QString const sentences = QString::fromUtf8(
            "Zwölf Boxkämpfer jagen Viktor quer über den großen Sylter Deich. "
            "Le cœur déçu mais l'âme plutôt naïve, Louÿs rêva de crapaüter en canoë au delà des îles. "
            "El pingüino Wenceslao hizo kilómetros bajo exhaustiva lluvia y frío, añoraba a su querido "
            "cachorro. "
            "The export runs while the dialog waits for the user. ");
        QByteArray const bytes = QTextCodec::codecForName("Apple Roman")->fromUnicode(sentences);
        QByteArray result;
        while (result.size() + bytes.size() <= cTextBytes)
            result += bytes;
        return result;
    }();
    return text;
}

void BM_QtAppleRomanToUnicode(benchmark::State& state)
{
    QByteArray const& text = MacRomanText();
    QTextCodec* const codec = QTextCodec::codecForName("Apple Roman");
    for (auto _ : state)
    {
        QString const decoded = codec->toUnicode(text);
        benchmark::DoNotOptimize(decoded.constData());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

void BM_GBQCEncodeGuess(benchmark::State& state)
{
    QByteArray const& text = MacRomanText();
    if (GBQCEncode::fromUnknownText(text) != QTextCodec::codecForName("Apple Roman")->toUnicode(text))
    {
        state.SkipWithError("the guess did not take the text for Mac Roman");
        return;
    }
    for (auto _ : state)
    {
        QString const decoded = GBQCEncode::fromUnknownText(text);
        benchmark::DoNotOptimize(decoded.constData());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

BENCHMARK(BM_QtAppleRomanToUnicode);
BENCHMARK(BM_GBQCEncodeGuess);
} // namespace

int main(int argc, char** argv)
{
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times,
                          "Encoding guess of 1 MiB of Mac Roman text, time / Qt Apple Roman toUnicode time",
                          "BM_GBQCEncodeGuess", "BM_QtAppleRomanToUnicode", "goal <= 3");
    return 0;
}
