// UTF-8 to UTF-16 of 1 MiB of mixed text (English, accented Latin, Chinese and Japanese) by
// GUTF8Encoding against glibc's iconv ("UTF-8" to "UTF-16LE"); both write into storage kept from the
// previous round, as a caller converting text after text would.
#include "BenchRatio.h"
#include "GBasicFrameworkCoreLayer.h"

#include <iconv.h>

#include <cstdio>
#include <string>
#include <vector>

#include "GBuffer.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"

namespace
{
constexpr std::size_t cTextBytes = 1 << 20;

// Whole sentences repeated up to 1 MiB, so that no character is cut at the end.
std::string const& MixedText()
{
    static std::string const text = []
    {
        char const* const sentences[] = {
            "The quick brown fox jumps over the lazy dog while the export runs in the background. ",
            "Le cœur déçu mais l'âme plutôt naïve, Louÿs rêva de crapaüter en canoë au delà des îles. ",
            "Zwölf Boxkämpfer jagen Viktor quer über den großen Sylter Deich. ",
            "我能吞下玻璃而不伤身体。文字コードの変換は速くなければならない。 ",
            "いろはにほへと ちりぬるを わかよたれそ つねならむ。漢字とかなの混じった文章です。 ",
        };
        std::string result;
        for (std::size_t i = 0;; i = (i + 1) % (sizeof sentences / sizeof sentences[0]))
        {
            std::string const sentence = sentences[i];
            if (result.size() + sentence.size() > cTextBytes)
                break;
            result += sentence;
        }
        return result;
    }();
    return text;
}

void BM_IconvUTF8ToUTF16(benchmark::State& state)
{
    std::string const& text = MixedText();
    iconv_t const cd = iconv_open("UTF-16LE", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
    {
        state.SkipWithError("iconv_open failed");
        return;
    }
    std::vector<char> output(2 * text.size());
    for (auto _ : state)
    {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* out = output.data();
        std::size_t outLeft = output.size();
        if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
        {
            state.SkipWithError("iconv failed");
            break;
        }
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    iconv_close(cd);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_GUTF8EncodingToUTF16(benchmark::State& state)
{
    std::string const& text = MixedText();
    GBuffer src(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(text.size()));
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
    GBuffer out;
    for (auto _ : state)
    {
        if (unicode->ConvertFrom(src, utf8, out) != GEncodingResult::cComplete)
        {
            state.SkipWithError("conversion not complete");
            break;
        }
        benchmark::DoNotOptimize(out.GetPtr());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_IconvUTF8ToUTF16);
BENCHMARK(BM_GUTF8EncodingToUTF16);

} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();

    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(
        times, "UTF-8 to UTF-16, GUTF8Encoding rate / iconv rate (iconv time / GUTF8Encoding time)",
        "BM_IconvUTF8ToUTF16", "BM_GUTF8EncodingToUTF16", "goal >= 2");

    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
