// The text writer and reader together: quoted strings, lines and tokens of any text, written in any
// encoding, read back as the text that encoding holds.
#include "FuzzSupport.h"

#include <vector>

#include "GBin2TextStream.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"
#include "GText2BinStream.h"

using namespace fuzzsupport;

namespace
{
enum Kind
{
    cQuoted,
    cLine,
    cToken
};

struct Item
{
    Kind fKind;
    GString fText;
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    GEncoding* encoding = PickEncoding(input);
    std::vector<Item> items;
    while (input.remaining_bytes() > 0 && items.size() < 16)
    {
        Kind const kind = static_cast<Kind>(input.ConsumeIntegralInRange<int>(0, 2));
        GString text = TextOf(input.ConsumeRandomLengthString(600));
        // A zero character makes a line's UTF-8 invalid, and such a line reads as empty by design.
        if (kind == cLine)
            text = Without(text, std::u16string(u"\r\n\0", 3));
        else if (kind == cToken)
            text = Without(text, std::u16string(u"\r\n \t\0", 5));
        // UTF-8 is written without a byte-order mark but read past one, so a first text that begins
        // with U+FEFF loses it: the bytes are the same.
        if (items.empty() && kind != cQuoted && encoding == GUTF8Encoding::GetInstance())
            text = Without(text, u"\uFEFF");
        if (kind == cToken && text.IsEmpty())
            continue;
        items.push_back({kind, text});
    }

    GBuffer bytes;
    {
        GMemoryOutStream sink(bytes);
        GText2BinStream writer(sink, encoding);
        for (Item const& item : items)
        {
            if (item.fKind == cQuoted)
                writer.WriteQuotedString(item.fText);
            else
                writer.Write(item.fText);
            writer.WriteEOL();
        }
    }

    GMemoryInStream source(bytes);
    GBin2TextStream reader(source, encoding);
    GString text;
    GString rest;
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        Item const& item = items[i];
        std::string expected;
        bool read = false;
        switch (item.fKind)
        {
        case cQuoted:
            expected = HeldBy(WithEscapedLineEnds(item.fText), encoding);
            read = reader.ReadQuotedString(text);
            break;
        case cLine:
            expected = HeldBy(item.fText, encoding);
            read = reader.ReadLine(text);
            break;
        case cToken:
            expected = HeldBy(item.fText, encoding);
            read = reader.ReadString(text);
            break;
        }
        // A token the encoding cannot hold at all is written as nothing, and is no token.
        if (item.fKind == cToken && expected.empty())
            return 0;
        std::string const got = Composed(text);
        Check(read, "every item reads back",
              "item " + std::to_string(i) + " of kind " + std::to_string(item.fKind) + " in " +
                  BytesOf(encoding->GetASCIIDescription()) + ": " + Hex(Composed(item.fText)) + "\nwritten " +
                  Hex(BytesOf(bytes)));
        // Quoted text is converted escaped, which may lose characters otherwise than the text alone.
        bool const comparable = item.fKind != cQuoted || HeldCompletely(item.fText, encoding);
        Check(!comparable || got == expected, "an item reads back as the text its encoding holds",
              "item " + std::to_string(i) + " of kind " + std::to_string(item.fKind) + " in " +
                  BytesOf(encoding->GetASCIIDescription()) + "\nexpected " + Hex(expected) + "\ngot      " +
                  Hex(got));
        if (item.fKind != cLine)
        {
            Check(reader.ReadLine(rest), "the line goes on after a quoted string or a token");
            Check(rest.IsEmpty(), "nothing follows a quoted string or a token on its line",
                  Hex(Composed(rest)));
        }
    }
    Check(!reader.ReadLine(rest), "nothing follows the last item");
    return 0;
}
