// The text reader on hostile bytes in every encoding, through a memory stream and through a block
// decorator over a stream of short reads: both sources give the same results, every operation ends,
// one that reports success has read something, and lines and tokens hold no line ends or blanks.
#include "FuzzSupport.h"

#include <algorithm>

#include "GBin2TextStream.h"
#include "GBufferedInStreamDecorator.h"
#include "GMemoryInStream.h"

using namespace fuzzsupport;

namespace
{
// Delivers at most a given number of bytes per read, as a pipe may.
class ShortReadStream : public GInStream
{
public:
    ShortReadStream(GBuffer const& bytes, int mostPerRead) : fInner(bytes), fMostPerRead(mostPerRead) {}
    GInStream* CreateClone() const override { return nullptr; }
    int Read(GBuffer& out, int count) override { return fInner.Read(out, std::min(count, fMostPerRead)); }
    void Reset() override { fInner.Reset(); }

private:
    GMemoryInStream fInner;
    int fMostPerRead;
};

// Whether the text, in the reader's encoding, holds one of the ASCII characters as a unit of its
// own (a character of the encoding that merely reads as one, WinAnsi's A0 as the space, does not
// count, nor does the second byte of a two-byte character, which is never ASCII white space).
bool HoldsUnit(GBin2TextStream const& reader, GString const& text, char const* characters)
{
    GBuffer const units = text.GetBuffer(reader.GetEncoding());
    int const width = reader.GetUnitWidth();
    for (int i = 0; i + width <= units.GetLength(); i += width)
    {
        unsigned const unit = width == 1 ? units.GetPtr()[i] : GBuffer::ReadUnit(units.GetPtr(), i / 2);
        for (char const* c = characters; *c; ++c)
        {
            if (unit == static_cast<unsigned char>(*c))
                return true;
        }
    }
    return false;
}

// One operation's outcome, to compare the two sources by.
struct Outcome
{
    int fResult;
    std::string fText;
    bool operator==(Outcome const& other) const { return fResult == other.fResult && fText == other.fText; }
};

Outcome Run(GBin2TextStream& reader, unsigned char op, GString const& terminators)
{
    GString text("stale");
    switch (op % 8)
    {
    case 0:
    {
        bool const read = reader.ReadLine(text);
        Check(!HoldsUnit(reader, text, "\r\n"), "a line holds no line end", Hex(Composed(text)));
        return {read, Composed(text)};
    }
    case 1:
    {
        bool const read = reader.ReadString(text);
        Check(!HoldsUnit(reader, text, "\r\n \t"), "a token holds no white space", Hex(Composed(text)));
        return {read, Composed(text)};
    }
    case 2:
        return {reader.ReadQuotedString(text), Composed(text)};
    case 3:
        return {reader.ReadTillTerminator(terminators, text), Composed(text)};
    case 4:
        return {reader.SkipWhitespace(op & 8), std::string()};
    case 5:
        return {reader.SkipChars(terminators), std::string()};
    case 6:
    {
        int const count = reader.Read(1 + op / 16, text);
        return {count, count < 0 ? std::string() : Composed(text)};
    }
    default:
    {
        GBuffer raw;
        int const count = reader.Read(raw, 1 + op / 16);
        return {count, BytesOf(raw)};
    }
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // Null asks the reader to settle the encoding from a byte-order mark.
    GEncoding* encoding = input.ConsumeBool() ? nullptr : PickEncoding(input);
    int const mostPerRead = input.ConsumeIntegralInRange<int>(1, 700);
    int const blockSize = input.ConsumeIntegralInRange<int>(GBin2TextStream::cMaxUnread, 2048);
    std::string const terminatorText = input.ConsumeRandomLengthString(4);
    std::string const ops = input.ConsumeRandomLengthString(48);
    std::string const bytes = input.ConsumeRemainingBytesAsString();

    GBuffer const source = BufferOf(bytes);
    GMemoryInStream memory(source);
    GBin2TextStream direct(memory, encoding);
    ShortReadStream trickle(source, mostPerRead);
    GBin2TextStream decorated(new GBufferedInStreamDecorator(trickle, blockSize), encoding);
    Check(direct.GetEncoding() == decorated.GetEncoding(), "both sources settle the same encoding");
    GString const terminators(terminatorText.c_str(), GASCIIEncoding::GetInstance(), true);

    for (unsigned char op : ops)
    {
        int const before = memory.GetLength() - memory.GetPosition();
        Outcome const fromMemory = Run(direct, op, terminators);
        Outcome const fromBlocks = Run(decorated, op, terminators);
        Check(fromMemory == fromBlocks, "a decorator over short reads reads as memory does",
              "operation " + std::to_string(op % 8) + ": " + Hex(fromMemory.fText) + "/ " +
                  Hex(fromBlocks.fText));
        int const after = memory.GetLength() - memory.GetPosition();
        Check(after <= before, "the reader never steps back behind what it had read");
        // Success means something was read, except text up to a terminator the reader stands on.
        if ((op % 8 == 0 || op % 8 == 1 || op % 8 == 2) && fromMemory.fResult > 0)
            Check(after < before, "a successful read consumed data");
        if (op % 8 == 2 && fromMemory.fResult == 0)
            Check(after == before || after == 0, "an unquoted position consumes nothing, an open quote all");
    }
    return 0;
}
