// Guessing the encoding of hostile bytes: a guess that succeeds gives text its encoding holds
// completely; one that fails leaves the string empty.
#include "FuzzSupport.h"

#include "GStringSupport.h"
#include "GTable.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // The default list, or a list the caller chose.
    GTable<GEncoding*> candidates;
    int const count = input.ConsumeIntegralInRange<int>(0, 3);
    for (int i = 0; i < count; ++i)
        candidates.AddItem(PickEncoding(input));
    std::string const bytes = input.ConsumeRemainingBytesAsString();

    GString out("left over");
    bool const assigned = GStringSupport::AssignEncoding(BufferOf(bytes), out, candidates);
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    if (!assigned)
    {
        Check(out.IsEmpty(), "a failed guess leaves the string empty", Hex(bytes));
        return 0;
    }
    GEncoding const* encoding = out.GetEncoding().Get();
    Check(encoding != nullptr, "a successful guess gives an encoding", Hex(bytes));
    GBuffer units;
    Check(out.GetBuffer(units, unicode) == GEncodingResult::cComplete,
          "the guessed encoding holds the text completely", Hex(bytes));
    Check(units.GetLength() % 2 == 0, "the text has whole units");
    // The caller's list is kept to, apart from a byte-order mark, which names its encoding itself.
    if (count > 0)
    {
        bool listed = encoding == unicode || encoding == GUTF8Encoding::GetInstance();
        for (int i = 0; i < candidates.GetCount(); ++i)
            listed = listed || candidates[i] == encoding;
        Check(listed, "the guess is one of the candidates", Hex(bytes));
    }
    return 0;
}
