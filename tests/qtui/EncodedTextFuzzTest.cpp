// The fuzz target of outside text run over its seed corpus and over random bytes shaped like what it
// reads (encoded words, marks, Mac Roman and UTF-8 text, path characters), so that it is exercised
// in every test run; the target aborts when one of its properties breaks.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size);

namespace fs = std::filesystem;

TEST(EncodedTextFuzzTest, KeepsToItsPropertiesOverTheSeedCorpus)
{
    fs::path const corpus = fs::path(SENDRIX_FUZZ_CORPUS) / "EncodedTextFuzz";
    int seeds = 0;
    for (auto const& entry : fs::directory_iterator(corpus))
    {
        std::ifstream file(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> const input((std::istreambuf_iterator<char>(file)),
                                              std::istreambuf_iterator<char>());
        EXPECT_EQ(LLVMFuzzerTestOneInput(input.data(), input.size()), 0) << entry.path();
        ++seeds;
    }
    EXPECT_GT(seeds, 0) << "no seeds in " << corpus;
}

TEST(EncodedTextFuzzTest, KeepsToItsPropertiesOverRandomPieces)
{
    std::vector<std::string> const pieces = {"=?",
                                             "?=",
                                             "?Q?",
                                             "?B?",
                                             "?q?",
                                             "utf-8",
                                             "iso-8859-1",
                                             "US-ASCII",
                                             "=41",
                                             "=E9",
                                             "=Z",
                                             "_",
                                             " ",
                                             "\r\n",
                                             "R3LDvA==",
                                             "w59l",
                                             "\xFF\xFE",
                                             "\xFE\xFF",
                                             "\xEF\xBB\xBF",
                                             "\x8E",
                                             "\xE9",
                                             "\xC3\xA9",
                                             "\xF0\x9F\x98\x80",
                                             "\xED\xA0\x80",
                                             "\\\\?\\",
                                             ":",
                                             "/",
                                             "\\",
                                             "*",
                                             "?",
                                             "<",
                                             ">",
                                             "|",
                                             "\"",
                                             ".",
                                             "\x01",
                                             std::string(1, '\0'),
                                             "\xE2\x89\xAE",
                                             "a",
                                             "Z"};
    std::mt19937 engine(20261211);
    for (int round = 0; round < 3000; ++round)
    {
        std::string input;
        int const count = static_cast<int>(engine() % 12);
        for (int i = 0; i < count; ++i)
            input += pieces[engine() % pieces.size()];
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<std::uint8_t const*>(input.data()), input.size()),
                  0);
    }
}
