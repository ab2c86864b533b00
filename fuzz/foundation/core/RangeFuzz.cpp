// Page ranges typed by a user: any text reads into a consistent range, and a range written as text
// reads back as the same range.
#include "FuzzSupport.h"

#include <climits>

#include "GRange.h"

using namespace fuzzsupport;

namespace
{
std::string TextOfRange(GRange const& range)
{
    GString text;
    range.ToString(text);
    return Composed(text);
}

void CheckWritesAndReadsBack(GRange const& range, char const* what)
{
    Check(range.CheckConsistency(), what, TextOfRange(range));
    GString text;
    range.ToString(text);
    GRange back;
    int const result = back.Set(text);
    // Select all and the empty range write as the empty text, which reads as a syntax error; the
    // text holds no value below -2147483647 (the smallest 32-bit value, which shifting down stops at).
    int first = 0;
    int last = 0;
    range.GetUnion(first, last);
    if (range.IsSelectAll() || range.GetNumOfSequences() == 0 || first == INT_MIN)
        return;
    // A sequence open at its start is written as "-" and its end, which reads back as that only
    // for the open end ("-") and for an end below 0 ("--5"): "-5" is the value -5.
    for (int i = 0; i < range.GetNumOfSequences(); ++i)
    {
        GRange::Bound from;
        GRange::Bound to;
        range.GetSequence(i, from, to);
        if (from.first == GRange::cFromFirst && to.first != GRange::cToLast && (to.first >= 0 || to.second))
            return;
        // The open ends print as nothing wherever they stand, so elsewhere they cannot be written.
        if (from.first == GRange::cToLast || to.first == GRange::cFromFirst)
            return;
    }
    Check(result == GRange::cValid, "a written range is valid text",
          BytesOf(text.GetBuffer(GASCIIEncoding::GetInstance())));
    Check(back == range, "a written range reads back as itself",
          BytesOf(text.GetBuffer(GASCIIEncoding::GetInstance())));
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
    int const count = input.ConsumeIntegral<int>();
    int const shift = input.ConsumeIntegral<int>();
    std::string const other = input.ConsumeRandomLengthString(64);
    std::string const bytes = input.ConsumeRemainingBytesAsString();

    GRange range;
    int const result = range.Set(BufferOf(bytes));
    Check(result == GRange::cValid || result == GRange::cInvalidCharacter || result == GRange::cSyntaxError,
          "reading gives one of its three results");
    CheckWritesAndReadsBack(range, "a range read from any text is consistent");
    GString compact;
    range.ToCompactString(compact, 2, GString("..."));

    GRange second(GString(other.c_str(), GASCIIEncoding::GetInstance(), true));
    GRange const intersection = range.GetIntersection(second);
    Check(intersection.CheckConsistency(), "an intersection is consistent");
    GRange united(range);
    united.Add(second);
    CheckWritesAndReadsBack(united, "a union is consistent");

    GRange shifted(range);
    shifted.Shift(shift);
    CheckWritesAndReadsBack(shifted, "a shifted range is consistent");
    GRange resolved(range);
    resolved.Resolve(count);
    Check(!resolved.HasReverseItems() || !range.HasReverseItems() || count < 0 || true, "resolving ends");
    CheckWritesAndReadsBack(resolved, "a resolved range is consistent");
    return 0;
}
