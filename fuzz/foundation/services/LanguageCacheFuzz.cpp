// The language cache file: a damaged or hostile file reads its complete blocks up to the first
// damaged one without harm, and what was read, written and read again gives the same entries.
#include "FuzzSupport.h"

#include <cstdio>
#include <filesystem>

#include "GException.h"
#include "GLanguageInfoCache.h"

using namespace fuzzsupport;

namespace
{
std::filesystem::path const& Folder()
{
    static std::filesystem::path const& folder = OwnTemporaryFolder("LanguageCacheFuzz");
    return folder;
}

// An entry's texts as the cache file gives them back: each line break (CR, LF, CR LF, LF CR)
// one carriage return, as its escape reads back. The breaks are told by the text's units, not by
// the bytes of its UTF-16, whose zero bytes would keep any two from forming a pair.
std::string EntryText(GLanguageInfo const& info)
{
    return Composed(WithEscapedLineEnds(info.GetLanguageID())) + "|" +
           Composed(WithEscapedLineEnds(info.GetLanguageNameRomanScript())) + "|" +
           Composed(WithEscapedLineEnds(info.GetLanguageNameJapaneseScript()));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::filesystem::path const input = Folder() / "input.cache";
    std::filesystem::path const output = Folder() / "output.cache";
    std::FILE* file = std::fopen(input.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::remove(output.c_str());
    try
    {
        std::vector<std::string> first;
        {
            GLanguageInfoCache cache;
            cache.SetCacheFile(GPathName(input.c_str()));
            for (int i = 0; i < cache.GetCount(); ++i)
                first.push_back(EntryText(cache.GetAt(i)));
            // Written to another file when the cache goes.
            cache.SetCacheFile(GPathName(output.c_str()));
        }
        GLanguageInfoCache back;
        back.SetCacheFile(GPathName(output.c_str()));
        // Setting the output file read nothing (it did not exist), so each entry was written once.
        Check(back.GetCount() == int(first.size()), "the written cache holds every entry read");
        for (int i = 0; i < back.GetCount(); ++i)
            Check(EntryText(back.GetAt(i)) == first[std::size_t(i)], "an entry reads back as written",
                  Hex(EntryText(back.GetAt(i))) + "\n" + Hex(first[std::size_t(i)]));
        back.SetCacheFile(GPathName());
    }
    catch (GException const&)
    {
        Fail("a readable cache file never throws");
    }
    return 0;
}
