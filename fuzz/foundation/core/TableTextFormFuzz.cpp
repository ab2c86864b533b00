// The text form of string tables: hostile text in any encoding reads without harm, and whatever was
// read, written again in any encoding, reads back item for item as that encoding holds it.
#include "FuzzSupport.h"

#include "GBin2TextStream.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"
#include "GTable.h"
#include "GText2BinStream.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    GEncoding* readIn = input.ConsumeBool() ? nullptr : PickEncoding(input);
    GEncoding* writeIn = PickEncoding(input);
    std::string const bytes = input.ConsumeRemainingBytesAsString();

    GTable<GString> table;
    {
        GBuffer const source = BufferOf(bytes);
        GMemoryInStream stream(source);
        GBin2TextStream reader(stream, readIn);
        table.ReadFrom(reader);
    }
    // The string form reads the same bytes as UTF-16 text.
    GTable<GString> fromString;
    fromString.FromString(TextOf(bytes));

    GBuffer written;
    {
        GMemoryOutStream sink(written);
        GText2BinStream writer(sink, writeIn);
        table.WriteTo(writer);
    }
    GTable<GString> back;
    back.AddItem(GString("left over"));
    {
        GMemoryInStream stream(written);
        GBin2TextStream reader(stream, writeIn);
        back.ReadFrom(reader);
    }
    Check(back.GetCount() == table.GetCount(), "a written table reads back with all its items",
          std::to_string(table.GetCount()) + " written, " + std::to_string(back.GetCount()) + " read in " +
              BytesOf(writeIn->GetASCIIDescription()));
    for (int i = 0; i < table.GetCount(); ++i)
    {
        std::string const expected = HeldBy(WithEscapedLineEnds(table[i]), writeIn);
        Check(!HeldCompletely(table[i], writeIn) || Composed(back[i]) == expected,
              "an item reads back as its encoding holds it",
              "item " + std::to_string(i) + " in " + BytesOf(writeIn->GetASCIIDescription()) + "\nexpected " +
                  Hex(expected) + "\ngot      " + Hex(Composed(back[i])));
    }

    // The string form of the table reads back the same way, in UTF-16.
    GString text;
    table.ToString(text);
    back.FromString(text);
    Check(back.GetCount() == table.GetCount(), "the string form reads back with all its items");
    for (int i = 0; i < table.GetCount(); ++i)
        Check(Composed(back[i]) == Composed(WithEscapedLineEnds(table[i])),
              "the string form reads back item for item");
    return 0;
}
