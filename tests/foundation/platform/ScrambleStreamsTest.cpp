// The scrambling output stream and the unscrambling input stream: every byte back as it was,
// equal bytes scrambled alike wherever they stand, the caller's bytes untouched.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "BufferText.h"
#include "GDecryptInStream.h"
#include "GEncryptOutStream.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"

using testsupport::BufferOf;
using testsupport::TextOf;

namespace
{
std::string AllBytesTwice()
{
    std::string bytes;
    for (int round = 0; round < 2; ++round)
        for (int c = 0; c < 256; ++c)
            bytes += char(c);
    return bytes;
}

// Takes every write but reports fewer bytes taken, as a full device might.
class ShortWriteStream : public GOutStream
{
public:
    int Write(GBuffer const& bytes) override
    {
        fTaken += TextOf(bytes);
        return bytes.GetLength() / 2;
    }
    std::string fTaken;
};

TEST(ScrambleStreamsTest, UnscramblesWhatWasScrambled)
{
    std::string const plain = AllBytesTwice();
    GBuffer scrambled;
    {
        GEncryptOutStream encrypt(new GMemoryOutStream(scrambled));
        GBuffer const bytes = BufferOf(plain);
        EXPECT_EQ(512, encrypt.Write(bytes));
        // The caller's bytes are not scrambled in place.
        EXPECT_EQ(plain, TextOf(bytes));
    }
    std::string const hidden = TextOf(scrambled);
    ASSERT_EQ(plain.size(), hidden.size());
    std::set<char> images;
    for (std::size_t i = 0; i < 256; ++i)
    {
        SCOPED_TRACE(i);
        // Each byte on its own: the same byte scrambles alike in both rounds, and no two bytes
        // scramble to the same one.
        EXPECT_EQ(hidden[i], hidden[i + 256]);
        EXPECT_NE(plain[i], hidden[i]);
        images.insert(hidden[i]);
    }
    EXPECT_EQ(256u, images.size());

    GMemoryInStream source(scrambled);
    GDecryptInStream decrypt(source);
    GBuffer back;
    std::string read;
    while (decrypt.Read(back, 100) > 0)
        read += TextOf(back);
    EXPECT_EQ(plain, read);
    EXPECT_EQ(-1, decrypt.Read(back, 100));
}

TEST(ScrambleStreamsTest, PassesTheInnerStreamsAnswerOn)
{
    ShortWriteStream sink;
    GEncryptOutStream encrypt(sink);
    EXPECT_EQ(2, encrypt.Write(BufferOf("abcd")));
    EXPECT_EQ(4u, sink.fTaken.size());
    EXPECT_EQ(0, encrypt.Write(GBuffer()));
    // The defaults do not reach the inner stream.
    EXPECT_EQ(0, encrypt.Skip(10));
}

TEST(ScrambleStreamsTest, UnscramblingCannotBeClonedNorReset)
{
    GBuffer const bytes = BufferOf("abcdef");
    GMemoryInStream source(bytes);
    GDecryptInStream decrypt(source);
    GBuffer out;
    ASSERT_EQ(2, decrypt.Read(out, 2));
    EXPECT_EQ(nullptr, decrypt.CreateClone());
    decrypt.Reset();
    EXPECT_EQ(2, source.GetPosition());
}
} // namespace
