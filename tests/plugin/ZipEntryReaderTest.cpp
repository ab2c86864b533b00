// The entry reader over hand-made entries: what it opens, what it reads, and what its close says,
// as minizip's codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HandMadeZip.h"
#include "TempFolder.h"
#include "ZipEntryReader.h"

namespace
{
using ziptest::HandEntry;
using Zolvane::ZipEntryReader;

std::string Text(int size)
{
    std::string text;
    for (int i = 0; text.size() < static_cast<std::size_t>(size); ++i)
        text += "line " + std::to_string(i * 7919 % 1000) + " of the job options\n";
    text.resize(static_cast<std::size_t>(size));
    return text;
}

// Valid deflate data for the text, then a block of the reserved type: inflating fails after the text.
std::string DeflatedThenBroken(std::string const& text)
{
    return ziptest::Deflated(text, Z_FULL_FLUSH) + "\xFF\xFF\xFF\xFF";
}

struct Case
{
    char const* label;
    HandEntry entry;
    QByteArray password;
    int open;          // Open's code
    std::string bytes; // what Read gives before its end or error
    int readEnd;       // Read's last result: 0 at the end, else the error
    int close;         // Close's code
};

struct Outcome
{
    int open = UNZ_OK;
    std::string bytes;
    int readEnd = 0;
    int close = UNZ_OK;
};

Outcome ReadEntry(std::filesystem::path const& archive, QByteArray const& password, unsigned block)
{
    Outcome outcome;
    unzFile const file = unzOpen64(archive.c_str());
    EXPECT_NE(nullptr, file);
    if (!file)
        return outcome;
    unzGoToFirstFile(file);
    {
        ZipEntryReader reader(file);
        outcome.open = reader.Open(password);
        if (outcome.open == UNZ_OK)
        {
            std::vector<char> buffer(block);
            int count = 0;
            while ((count = reader.Read(buffer.data(), block)) > 0)
                outcome.bytes.append(buffer.data(), static_cast<std::size_t>(count));
            outcome.readEnd = count;
            // An error stays.
            if (count < 0)
            {
                EXPECT_EQ(count, reader.Read(buffer.data(), block));
            }
            outcome.close = reader.Close();
        }
    }
    unzClose(file);
    return outcome;
}

TEST(ZipEntryReaderTest, OpensReadsAndChecksEntriesByTheirCodes)
{
    std::string const text = Text(20000);
    std::uint32_t const textCrc = ziptest::Crc32(text);
    std::string const head = text.substr(0, 100);
    std::vector<Case> const cases = {
        {"stored, password ignored", HandEntry("a.txt", text), "unused", UNZ_OK, text, 0, UNZ_OK},
        {"deflated, no password", HandEntry("a.txt", text).Deflate(), "", UNZ_OK, text, 0, UNZ_OK},
        {"encrypted and deflated, checked by the CRC", HandEntry("a.txt", text).Deflate().Encrypt("pw"), "pw",
         UNZ_OK, text, 0, UNZ_OK},
        {"encrypted and stored, checked by the time", HandEntry("a.txt", text).Flags(8).Encrypt("pw"), "pw",
         UNZ_OK, text, 0, UNZ_OK},
        {"encrypted, no password", HandEntry("a.txt", text).Encrypt("pw"), "", UNZ_PARAMERROR, "", 0, UNZ_OK},
        {"encrypted, wrong password", HandEntry("a.txt", text).Encrypt("pw"), "wrong",
         ZipEntryReader::cBadPassword, "", 0, UNZ_OK},
        {"time flag set, CRC byte checked",
         HandEntry("a.txt", text).Flags(8).Encrypt("pw").CheckByte(textCrc >> 24), "pw",
         ZipEntryReader::cBadPassword, "", 0, UNZ_OK},
        {"encryption header cut short", HandEntry("a.txt", "").Flags(1).Raw("abc"), "pw", UNZ_BADZIPFILE, "",
         0, UNZ_OK},
        {"bzip2", HandEntry("a.txt", text).Method(12), "", UNZ_BADZIPFILE, "", 0, UNZ_OK},
        {"AES", HandEntry("a.txt", text).Method(99), "", UNZ_BADZIPFILE, "", 0, UNZ_OK},
        {"strong encryption", HandEntry("a.txt", text).Flags(0x41).Raw(text), "pw", UNZ_BADZIPFILE, "", 0,
         UNZ_OK},
        {"deflate data broken after 100 bytes",
         HandEntry("a.txt", text).Deflate().Data(DeflatedThenBroken(head)), "", UNZ_OK, head, Z_DATA_ERROR,
         UNZ_OK},
        {"deflate data cut short",
         HandEntry("a.txt", text).Deflate().Data(ziptest::Deflated(head, Z_FULL_FLUSH)), "", UNZ_OK, head,
         Z_DATA_ERROR, UNZ_OK},
        {"CRC that does not fit", HandEntry("a.txt", text).Crc(textCrc ^ 1), "", UNZ_OK, text, 0,
         UNZ_CRCERROR},
        {"stored data shorter than declared", HandEntry("a.txt", text).Data(head), "", UNZ_OK, head, 0,
         UNZ_CRCERROR},
        {"deflate stream ending before the declared size",
         HandEntry("a.txt", text).Deflate().Data(ziptest::Deflated(head)), "", UNZ_OK, head, 0, UNZ_CRCERROR},
        {"more data than declared, stored", HandEntry("a.txt", head).Data(text), "", UNZ_OK, head, 0, UNZ_OK},
        {"more data than declared, deflated",
         HandEntry("a.txt", head).Deflate().Data(ziptest::Deflated(text)), "", UNZ_OK, head, 0, UNZ_OK},
    };
    testsupport::TempFolder folder;
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.label);
        ziptest::WriteFile(folder / "entry.zip", ziptest::ZipOf({test.entry}));
        // Blocks below, at and above minizip's own 16 KiB.
        for (unsigned const block : {1u, 4096u, 65536u})
        {
            SCOPED_TRACE(block);
            Outcome const outcome = ReadEntry(folder / "entry.zip", test.password, block);
            EXPECT_EQ(test.open, outcome.open);
            EXPECT_EQ(test.bytes, outcome.bytes);
            EXPECT_EQ(test.readEnd, outcome.readEnd);
            EXPECT_EQ(test.close, outcome.close);
        }
    }
}

TEST(ZipEntryReaderTest, ClosedOrNeverOpenedReaderRefusesReads)
{
    testsupport::TempFolder folder;
    ziptest::WriteFile(folder / "entry.zip", ziptest::ZipOf({HandEntry("a.txt", "abc").Deflate()}));
    unzFile const file = unzOpen64((folder / "entry.zip").c_str());
    ASSERT_NE(nullptr, file);
    unzGoToFirstFile(file);
    {
        ZipEntryReader reader(file);
        char byte = 0;
        EXPECT_EQ(UNZ_PARAMERROR, reader.Read(&byte, 1));
        EXPECT_EQ(UNZ_PARAMERROR, reader.Close());
        ASSERT_EQ(UNZ_OK, reader.Open(QByteArray()));
        EXPECT_EQ(UNZ_PARAMERROR, reader.Open(QByteArray()));
        EXPECT_EQ(1, reader.Read(&byte, 1));
        EXPECT_EQ(UNZ_OK, reader.Close());
        EXPECT_EQ(UNZ_PARAMERROR, reader.Read(&byte, 1));
        // Opened again, from the start; destroyed open, it ends inflating (the leak checker sees it).
        ASSERT_EQ(UNZ_OK, reader.Open(QByteArray()));
        EXPECT_EQ(1, reader.Read(&byte, 1));
        EXPECT_EQ('a', byte);
    }
    unzClose(file);
}
} // namespace
