// Traditional PKWARE encryption against what Info-ZIP's zip writes with a password, and its two
// directions against each other.
#include <gtest/gtest.h>

#include <minizip/unzip.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "HandMadeZip.h"
#include "TempFolder.h"
#include "ZipTool.h"
#include "ZipTraditionalCrypto.h"

namespace
{
using Zolvane::ZipTraditionalCrypto;

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 engine(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(engine());
    return bytes;
}

struct RawEntry
{
    std::string name;
    unz_file_info64 info;
    std::string raw; // encryption header and data, as stored
};

// Every entry's stored bytes, read raw through minizip.
std::vector<RawEntry> RawEntries(std::filesystem::path const& archive)
{
    std::vector<RawEntry> entries;
    unzFile const file = unzOpen64(archive.c_str());
    if (!file)
        return entries;
    for (int more = unzGoToFirstFile(file); more == UNZ_OK; more = unzGoToNextFile(file))
    {
        RawEntry entry;
        char name[256] = {};
        unzGetCurrentFileInfo64(file, &entry.info, name, sizeof name, nullptr, 0, nullptr, 0);
        entry.name = name;
        int method = 0;
        int level = 0;
        if (unzOpenCurrentFile2(file, &method, &level, 1) != UNZ_OK)
            break;
        char block[1000];
        for (int count; (count = unzReadCurrentFile(file, block, sizeof block)) > 0;)
            entry.raw.append(block, static_cast<std::size_t>(count));
        unzCloseCurrentFile(file);
        entries.push_back(entry);
    }
    unzClose(file);
    return entries;
}

std::string Decrypted(std::string bytes, std::string const& password)
{
    ZipTraditionalCrypto keys(password.data(), password.size());
    keys.Decrypt(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size());
    return bytes;
}

TEST(ZipTraditionalCryptoTest, DecryptsStoredEntriesThatZipEncrypted)
{
    // Passwords go to zip as bytes; the last one is Latin-1, as the archive reader sends them.
    for (std::string const password : {"secret", "pass word with spaces!", "p\xE4ss\xFF"})
    {
        SCOPED_TRACE(password);
        testsupport::TempFolder folder;
        std::map<std::string, std::string> const contents = {
            {"text.txt", "Project settings\nline two\n"},
            {"random.bin", RandomBytes(5000, 7)},
            {"empty.txt", ""},
        };
        for (auto const& [name, content] : contents)
            ziptest::WriteFile(folder / name, content);
        ASSERT_EQ(0, ziptest::Zip(folder.Path(), folder / "stored.zip", password,
                                  {"text.txt", "random.bin", "empty.txt"}, {"-0"}));

        std::vector<RawEntry> const entries = RawEntries(folder / "stored.zip");
        ASSERT_EQ(contents.size(), entries.size());
        for (RawEntry const& entry : entries)
        {
            SCOPED_TRACE(entry.name);
            ASSERT_EQ(1u, entry.info.flag & 1);
            std::string const plain = Decrypted(entry.raw, password);
            ASSERT_EQ(contents.at(entry.name).size() + ZipTraditionalCrypto::cHeaderSize, plain.size());
            // zip streams its output, so it checks the password against the time, not the CRC.
            ASSERT_EQ(8u, entry.info.flag & 8);
            EXPECT_EQ(static_cast<char>((entry.info.dosDate >> 8) & 0xff), plain[11]);
            EXPECT_EQ(contents.at(entry.name), plain.substr(ZipTraditionalCrypto::cHeaderSize));
            if (!contents.at(entry.name).empty())
            {
                EXPECT_NE(contents.at(entry.name),
                          Decrypted(entry.raw, password + "x").substr(ZipTraditionalCrypto::cHeaderSize));
            }
        }
    }
}

// The block forms keep their keys in registers; the keys must still move on from one call to the
// next, and agree with the byte forms.
TEST(ZipTraditionalCryptoTest, KeysMoveOnAcrossCallsInBothDirections)
{
    std::string const plain = RandomBytes(3000, 11);
    for (std::string const& password :
         std::vector<std::string>{"", "a", "secret", std::string("\0\x80\xFF", 3)})
    {
        SCOPED_TRACE(testing::PrintToString(password));
        std::string whole = plain;
        ZipTraditionalCrypto(password.data(), password.size())
            .Encrypt(reinterpret_cast<unsigned char*>(whole.data()), whole.size());
        EXPECT_NE(plain, whole);

        std::string pieces = plain;
        ZipTraditionalCrypto encrypting(password.data(), password.size());
        encrypting.Encrypt(reinterpret_cast<unsigned char*>(pieces.data()), 1000);
        for (std::size_t i = 1000; i < 1010; ++i)
            pieces[i] = static_cast<char>(encrypting.Encrypt(static_cast<std::uint8_t>(pieces[i])));
        encrypting.Encrypt(reinterpret_cast<unsigned char*>(pieces.data()) + 1010, pieces.size() - 1010);
        EXPECT_EQ(whole, pieces);

        ZipTraditionalCrypto decrypting(password.data(), password.size());
        decrypting.Decrypt(reinterpret_cast<unsigned char*>(pieces.data()), 7);
        for (std::size_t i = 7; i < 20; ++i)
            pieces[i] = static_cast<char>(decrypting.Decrypt(static_cast<std::uint8_t>(pieces[i])));
        decrypting.Decrypt(reinterpret_cast<unsigned char*>(pieces.data()) + 20, pieces.size() - 20);
        EXPECT_EQ(plain, pieces);
    }
}

TEST(ZipTraditionalCryptoTest, EveryPasswordByteCounts)
{
    std::string const plain(64, 'x');
    std::vector<std::string> const passwords = {"",       "secret",  "secreT",
                                                "Secret", "secret ", std::string("se\0ret", 6)};
    std::vector<std::string> seen;
    for (std::string const& password : passwords)
    {
        std::string bytes = plain;
        ZipTraditionalCrypto(password.data(), password.size())
            .Encrypt(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size());
        for (std::string const& other : seen)
            EXPECT_NE(other, bytes) << testing::PrintToString(password);
        seen.push_back(bytes);
    }
}
} // namespace
