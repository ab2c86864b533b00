// Page ranges: reading the typed text, keeping the sequences ordered and merged, the queries and the
// text output.
#include "GRange.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "GASCIIEncoding.h"
#include "GBuffer.h"
#include "GEncoding.h"

namespace
{
using Bound = GRange::Bound;
// From, to.
using Sequence = GPair<Bound, Bound>;

constexpr std::int64_t cMaxValue = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t cMinValue = std::numeric_limits<std::int32_t>::min();

// Values worked out in 64 bits stop at the ends of the 32-bit range instead of wrapping.
int Saturate(std::int64_t value)
{
    return static_cast<int>(std::min(cMaxValue, std::max(cMinValue, value)));
}

// The order of the sequences: by value, a bound counted from the front before an equal one counted
// from the back, then by the end in the same way.
bool BoundLess(Bound const& a, Bound const& b)
{
    if (a.first != b.first)
        return a.first < b.first;
    return !a.second && b.second;
}

bool SequenceLess(Sequence const& a, Sequence const& b)
{
    if (a.first != b.first)
        return BoundLess(a.first, b.first);
    return BoundLess(a.second, b.second);
}

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// Sequences of one kind whose bounds all count the same way, merged where they overlap or touch.
// items is ordered by SequenceLess.
void MergeSorted(std::vector<Sequence>& items)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        if (kept > 0 && std::int64_t(items[i].first.first) <= std::int64_t(items[kept - 1].second.first) + 1)
        {
            if (items[i].second.first > items[kept - 1].second.first)
                items[kept - 1].second = items[i].second;
        }
        else
            items[kept++] = items[i];
    }
    items.resize(kept);
}

// What the typed text is read into: the state machine's states, and the sequences read so far.
enum class ReadState
{
    cStart,
    cDash,
    cValue,
    cRangeDash,
    cNegativeEnd,
    cDone
};

class TextReader
{
public:
    explicit TextReader(GBuffer const& kept) : fText(kept) {}

    // cValid or cSyntaxError; the sequences read before an error stay in Items().
    int Read()
    {
        int const length = fText.GetLength();
        unsigned char const* bytes = fText.GetPtr();
        int pos = 0;
        while (pos < length)
        {
            unsigned char const c = bytes[pos];
            bool ok;
            if (IsDigit(c))
            {
                int value = -1;
                pos += GRange::ReadNumber(fText, pos, value);
                ok = value >= 0 && OnNumber(value);
            }
            else if (c == 'R')
            {
                int value = 0;
                int const digits = GRange::ReadNumber(fText, pos + 1, value);
                pos += 1 + digits;
                ok = digits > 0 && value >= 1 && OnReverseNumber(value);
            }
            else
            {
                ++pos;
                ok = c == '-' ? OnDash() : OnComma();
            }
            if (!ok)
                return GRange::cSyntaxError;
        }
        switch (fState)
        {
        case ReadState::cDash:
            AddToLast(Bound(GRange::cFromFirst, false));
            return GRange::cValid;
        case ReadState::cValue:
            Add(fStart, fStart);
            return GRange::cValid;
        case ReadState::cRangeDash:
            AddToLast(fStart);
            return GRange::cValid;
        case ReadState::cDone:
            return GRange::cValid;
        case ReadState::cStart:
        case ReadState::cNegativeEnd:
            break;
        }
        return GRange::cSyntaxError;
    }

    std::vector<Sequence>& Items() { return fItems; }

private:
    bool OnNumber(int value)
    {
        switch (fState)
        {
        case ReadState::cStart:
            fStart = Bound(value, false);
            fState = ReadState::cValue;
            return true;
        case ReadState::cDash:
            fStart = Bound(-value, false);
            fState = ReadState::cValue;
            return true;
        case ReadState::cRangeDash:
            Add(fStart, Bound(value, false));
            fState = ReadState::cDone;
            return true;
        case ReadState::cNegativeEnd:
            Add(fStart, Bound(-value, false));
            fState = ReadState::cDone;
            return true;
        case ReadState::cValue:
        case ReadState::cDone:
            break;
        }
        return false;
    }

    bool OnReverseNumber(int value)
    {
        if (fState == ReadState::cStart)
        {
            fStart = Bound(value, true);
            fState = ReadState::cValue;
            return true;
        }
        if (fState == ReadState::cRangeDash)
        {
            Add(fStart, Bound(value, true));
            fState = ReadState::cDone;
            return true;
        }
        return false;
    }

    bool OnDash()
    {
        switch (fState)
        {
        case ReadState::cStart:
            fState = ReadState::cDash;
            return true;
        case ReadState::cDash:
            fStart = Bound(GRange::cFromFirst, false);
            fState = ReadState::cNegativeEnd;
            return true;
        case ReadState::cValue:
            fState = ReadState::cRangeDash;
            return true;
        case ReadState::cRangeDash:
            fState = ReadState::cNegativeEnd;
            return true;
        case ReadState::cNegativeEnd:
        case ReadState::cDone:
            break;
        }
        return false;
    }

    bool OnComma()
    {
        switch (fState)
        {
        case ReadState::cDash:
            AddToLast(Bound(GRange::cFromFirst, false));
            break;
        case ReadState::cValue:
            Add(fStart, fStart);
            break;
        case ReadState::cRangeDash:
            AddToLast(fStart);
            break;
        case ReadState::cDone:
            break;
        case ReadState::cStart:
        case ReadState::cNegativeEnd:
            return false;
        }
        fState = ReadState::cStart;
        return true;
    }

    void AddToLast(Bound const& from) { Add(from, Bound(GRange::cToLast, false)); }
    void Add(Bound const& from, Bound const& to) { fItems.push_back(Sequence(from, to)); }

    GBuffer const& fText;
    ReadState fState = ReadState::cStart;
    Bound fStart;
    std::vector<Sequence> fItems;
};

void AppendBound(GString& out, Bound const& bound, int offset)
{
    if (bound.second)
        out += GString("R");
    out += GString(static_cast<long long>(bound.first) + offset);
}
} // namespace

GRange const GRange::cEmptyRange;

GRange::GRange(char const* text) : GRange()
{
    Set(text);
}

GRange::GRange(GString const& text) : GRange()
{
    Set(text);
}

int GRange::Set(GBuffer const& text)
{
    fSelectAll = false;
    int const length = text.GetLength();
    unsigned char const* bytes = text.GetPtr();
    GBuffer kept;
    for (int i = 0; i < length; ++i)
    {
        unsigned char const c = bytes[i];
        if (c == ' ' || c == '\t')
            continue;
        if (c == 'r')
            kept += static_cast<unsigned char>('R');
        else if (IsDigit(c) || c == ',' || c == '-' || c == 'R')
            kept += c;
        else
            return cInvalidCharacter;
    }
    if (kept.IsEmpty())
    {
        Rebuild(nullptr, 0);
        return cSyntaxError;
    }
    TextReader reader(kept);
    int const result = reader.Read();
    std::vector<Sequence>& items = reader.Items();
    Rebuild(items.data(), static_cast<int>(items.size()));
    return result;
}

int GRange::Set(GString const& text)
{
    GBuffer ascii;
    if (text.GetBuffer(ascii, GASCIIEncoding::GetInstance()) != GEncodingResult::cComplete)
    {
        fSelectAll = false;
        return cInvalidCharacter;
    }
    return Set(ascii);
}

int GRange::Set(char const* text)
{
    GBuffer bytes;
    bytes.SetFromStatic(text ? text : "");
    return Set(bytes);
}

void GRange::ToString(GString& out, int offset, GString const& sequenceSeparator,
                      GString const& rangeSeparator) const
{
    out.Clear();
    for (int i = 0; i < fStarts.GetCount(); ++i)
    {
        if (i > 0)
            out += sequenceSeparator;
        AppendSequence(out, i, offset, rangeSeparator);
    }
}

void GRange::ToCompactString(GString& out, int maxSequences, GString const& compactSeparator, int offset,
                             GString const& sequenceSeparator, GString const& rangeSeparator) const
{
    int const count = fStarts.GetCount();
    if (count <= maxSequences || count == 0)
    {
        ToString(out, offset, sequenceSeparator, rangeSeparator);
        return;
    }
    out.Clear();
    Bound const& first = fStarts[0];
    Bound const& last = fEnds[count - 1];
    if (first.first != cFromFirst || first.second)
        AppendBound(out, first, offset);
    if (first == last)
        return;
    out += compactSeparator;
    if (last.first != cToLast || last.second)
        AppendBound(out, last, offset);
}

void GRange::AppendSequence(GString& out, int index, int offset, GString const& rangeSeparator) const
{
    Bound const& from = fStarts[index];
    Bound const& to = fEnds[index];
    if (from.first != cFromFirst || from.second)
        AppendBound(out, from, offset);
    if (to == from)
        return;
    out += rangeSeparator;
    if (to.first != cToLast || to.second)
        AppendBound(out, to, offset);
}

int GRange::ReadNumber(GBuffer const& text, int offset, int& out)
{
    int const length = text.GetLength();
    if (offset < 0 || offset >= length)
        return 0;
    unsigned char const* bytes = text.GetPtr();
    std::int64_t value = 0;
    int digits = 0;
    for (; offset + digits < length && IsDigit(bytes[offset + digits]); ++digits)
    {
        // Stops growing once too large, so that any number of digits is read without overflow.
        if (value <= cMaxValue)
            value = 10 * value + (bytes[offset + digits] - '0');
    }
    if (digits > 0)
        out = value > cMaxValue ? -1 : static_cast<int>(value);
    return digits;
}

int GRange::AddRange(int from, bool fromBack, int to, bool toBack)
{
    if (fSelectAll)
        return cUnchanged;
    Bound first(from, fromBack);
    Bound last(to, toBack);
    if (to < from)
        std::swap(first, last);
    if (first.second != last.second)
    {
        int const index = LowerBound(first, last);
        if (index < fStarts.GetCount() && fStarts[index] == first && fEnds[index] == last)
            return cUnchanged;
        InsertSequence(index, first, last);
        return cInserted;
    }

    bool const back = first.second;
    std::int64_t const low = first.first;
    std::int64_t const high = last.first;
    // Only sequences that start at most one past the new end can overlap or touch it.
    int limit = 0;
    for (int count = fStarts.GetCount(); count > 0;)
    {
        int const half = count / 2;
        if (std::int64_t(fStarts[limit + half].first) <= high + 1)
        {
            limit += half + 1;
            count -= half + 1;
        }
        else
            count = half;
    }
    std::vector<int> merged;
    bool overlaps = false;
    std::int64_t mergedLow = low;
    std::int64_t mergedHigh = high;
    for (int i = limit - 1; i >= 0; --i)
    {
        if (fStarts[i].second != back || fEnds[i].second != back)
            continue;
        std::int64_t const start = fStarts[i].first;
        std::int64_t const end = fEnds[i].first;
        // Sequences of one kind neither overlap nor touch, so the earlier ones end earlier still.
        if (end < low - 1)
            break;
        if (start <= low && high <= end)
            return cUnchanged;
        if (start <= high && end >= low)
            overlaps = true;
        mergedLow = std::min(mergedLow, start);
        mergedHigh = std::max(mergedHigh, end);
        merged.push_back(i);
    }
    // Descending indexes: each removal leaves the ones still to go where they were.
    for (int i : merged)
    {
        fStarts.RemoveItemAt(i);
        fEnds.RemoveItemAt(i);
    }
    Bound const newFirst(static_cast<int>(mergedLow), back);
    Bound const newLast(static_cast<int>(mergedHigh), back);
    InsertSequence(LowerBound(newFirst, newLast), newFirst, newLast);
    return overlaps ? cExtended : cInserted;
}

int GRange::AddSequence(int start, int length)
{
    if (length > 0)
        return AddRange(start, Saturate(std::int64_t(start) + length - 1));
    if (length < 0)
        return AddRange(Saturate(std::int64_t(start) + length + 1), start);
    return cUnchanged;
}

int GRange::Add(GTable<int> const& values)
{
    int result = cUnchanged;
    for (int i = 0; i < values.GetCount(); ++i)
        result |= Add(values[i]);
    return result;
}

int GRange::Add(GRange const& other)
{
    if (&other == this)
    {
        GRange const copy(other);
        return Add(copy);
    }
    int result = cUnchanged;
    for (int i = 0; i < other.fStarts.GetCount(); ++i)
    {
        result |= AddRange(other.fStarts[i].first, other.fStarts[i].second, other.fEnds[i].first,
                           other.fEnds[i].second);
    }
    return result;
}

void GRange::GetSequence(int index, Bound& from, Bound& to) const
{
    if (index < 0 || index >= fStarts.GetCount())
        return;
    from = fStarts[index];
    to = fEnds[index];
}

void GRange::GetSequence(int index, int& start, int& length) const
{
    if (index < 0 || index >= fStarts.GetCount())
        return;
    start = fStarts[index].first;
    length = Saturate(std::int64_t(fEnds[index].first) - fStarts[index].first + 1);
}

int GRange::GetCount() const
{
    if (fSelectAll)
        return static_cast<int>(cMaxValue);
    std::int64_t count = 0;
    for (int i = 0; i < fStarts.GetCount(); ++i)
    {
        count += std::int64_t(fEnds[i].first) - fStarts[i].first + 1;
        // Each term is below 2^33, so stopping here keeps the sum far from overflowing.
        if (count >= cMaxValue)
            return static_cast<int>(cMaxValue);
    }
    return static_cast<int>(count);
}

bool GRange::IsInRange(int value) const
{
    if (fSelectAll)
        return true;
    for (int i = 0; i < fStarts.GetCount(); ++i)
    {
        if (fStarts[i].first <= value && value <= fEnds[i].first)
            return true;
    }
    return false;
}

int GRange::IsInRange(int from, int to) const
{
    if (fSelectAll)
        return cContained;
    for (int i = 0; i < fStarts.GetCount(); ++i)
    {
        int const start = fStarts[i].first;
        int const end = fEnds[i].first;
        if (start == from && end == to)
            return cEqual;
        if (start <= from && to <= end)
            return cContained;
    }
    return cOutside;
}

bool GRange::FindSequence(int value, bool fromBack, int& index) const
{
    int const count = fStarts.GetCount();
    for (int i = 0; i < count; ++i)
    {
        if (fStarts[i].second != fromBack || fEnds[i].second != fromBack)
            continue;
        if (fStarts[i].first > value)
        {
            index = i;
            return false;
        }
        if (fEnds[i].first >= value)
        {
            index = i;
            return true;
        }
    }
    index = count;
    return false;
}

int GRange::GetNext(int value) const
{
    if (fSelectAll)
        return value == cMaxValue ? value : value + 1;
    int const count = fStarts.GetCount();
    if (count == 0)
        return value;
    // The last sequence whose start is at most value; starts ascend.
    int const after =
        static_cast<int>(std::upper_bound(fStarts.GetItems(), fStarts.GetItems() + count, value,
                                          [](int v, Bound const& bound) { return v < bound.first; }) -
                         fStarts.GetItems());
    if (after == 0)
        return fStarts[0].first;
    if (value < fEnds[after - 1].first)
        return value + 1;
    return after < count ? fStarts[after].first : value;
}

int GRange::GetPrevious(int value) const
{
    if (fSelectAll)
        return value == cMinValue ? value : value - 1;
    int const count = fStarts.GetCount();
    if (count == 0)
        return value;
    for (int i = 0; i < count; ++i)
    {
        if (fEnds[i].first >= value)
        {
            if (fStarts[i].first < value)
                return value - 1;
            return i > 0 ? fEnds[i - 1].first : value;
        }
    }
    return fEnds[count - 1].first;
}

void GRange::GetUnion(int& first, int& last) const
{
    int const count = fStarts.GetCount();
    if (count == 0)
    {
        first = -1;
        last = -1;
        return;
    }
    first = fStarts[0].first;
    last = fEnds[0].first;
    for (int i = 1; i < count; ++i)
        last = std::max(last, fEnds[i].first);
}

bool GRange::HasReverseItems() const
{
    for (int i = 0; i < fStarts.GetCount(); ++i)
    {
        if (fStarts[i].second || fEnds[i].second)
            return true;
    }
    return false;
}

bool GRange::operator==(GRange const& other) const
{
    int const count = fStarts.GetCount();
    if (fSelectAll != other.fSelectAll || count != other.fStarts.GetCount())
        return false;
    for (int i = 0; i < count; ++i)
    {
        if (fStarts[i] != other.fStarts[i] || fEnds[i] != other.fEnds[i])
            return false;
    }
    return true;
}

int GRange::PartialOrderLessThan(GRange const& other) const
{
    if (HasReverseItems() || other.HasReverseItems())
        return 2;
    bool allEqual = true;
    for (int i = 0; i < fStarts.GetCount(); ++i)
    {
        int const found = other.IsInRange(fStarts[i].first, fEnds[i].first);
        if (found == cOutside)
            return 2;
        if (found == cContained)
            allEqual = false;
    }
    return allEqual && fStarts.GetCount() >= other.fStarts.GetCount() ? 1 : 0;
}

GRange GRange::GetIntersection(GRange const& other) const
{
    GRange result;
    int i = 0;
    int j = 0;
    while (i < fStarts.GetCount() && j < other.fStarts.GetCount())
    {
        int const low = std::max(fStarts[i].first, other.fStarts[j].first);
        int const high = std::min(fEnds[i].first, other.fEnds[j].first);
        if (low <= high)
            result.AddRange(low, false, high, false);
        if (fEnds[i].first < other.fEnds[j].first)
            ++i;
        else
            ++j;
    }
    return result;
}

bool GRange::CheckConsistency() const
{
    if (fSelectAll)
        return true;
    int const count = fStarts.GetCount();
    if (count != fEnds.GetCount())
        return false;
    // The last end seen of the sequences counted from the front and of those counted from the back.
    std::int64_t lastEnd[2] = {cMinValue - 2, cMinValue - 2};
    for (int i = 0; i < count; ++i)
    {
        Sequence const current(fStarts[i], fEnds[i]);
        if (current.second.first < current.first.first)
            return false;
        if (i > 0 && !SequenceLess(Sequence(fStarts[i - 1], fEnds[i - 1]), current))
            return false;
        if (current.first.second == current.second.second)
        {
            std::int64_t& end = lastEnd[current.first.second ? 1 : 0];
            if (std::int64_t(current.first.first) <= end + 1)
                return false;
            end = current.second.first;
        }
    }
    return true;
}

void GRange::Clear()
{
    fSelectAll = false;
    fStarts.Resize(0);
    fEnds.Resize(0);
}

void GRange::SetSelectAll()
{
    Clear();
    fSelectAll = true;
}

void GRange::RemoveSequences(int index, int n)
{
    int const count = fStarts.GetCount();
    std::int64_t const begin = std::max<std::int64_t>(index, 0);
    std::int64_t const end = std::min<std::int64_t>(std::int64_t(index) + n, count);
    if (begin >= end)
        return;
    // The rest moves down once, instead of once per removed sequence.
    int to = static_cast<int>(begin);
    for (int from = static_cast<int>(end); from < count; ++from, ++to)
    {
        fStarts[to] = fStarts[from];
        fEnds[to] = fEnds[from];
    }
    fStarts.Resize(to);
    fEnds.Resize(to);
}

bool GRange::TryJoinSequences(int i, int j)
{
    int const count = fStarts.GetCount();
    if (i < 0 || j < 0 || i >= count || j >= count || i == j)
        return false;
    if (std::int64_t(fEnds[i].first) + 1 != fStarts[j].first || fEnds[i].second != fStarts[j].second)
        return false;
    fEnds[i] = fEnds[j];
    fStarts.RemoveItemAt(j);
    fEnds.RemoveItemAt(j);
    return true;
}

void GRange::Shift(int n)
{
    int const count = fStarts.GetCount();
    if (n == 0 || count == 0)
        return;
    auto shifted = [n](Bound bound)
    {
        if (!bound.second && bound.first != cFromFirst && bound.first != cToLast)
            bound.first = Saturate(std::int64_t(bound.first) + n);
        return bound;
    };
    // The open ends stay where they are, so a shifted bound may pass one of them or meet another
    // sequence at the end of the 32-bit values: ordering and merging again keeps the range sound.
    std::vector<Sequence> items;
    items.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        items.push_back(Sequence(shifted(fStarts[i]), shifted(fEnds[i])));
    Rebuild(items.data(), count);
}

void GRange::Resolve(int count)
{
    if (!HasReverseItems())
        return;
    auto resolved = [count](Bound bound)
    {
        if (bound.second)
            bound = Bound(Saturate(std::int64_t(count) - bound.first + 1), false);
        return bound;
    };
    int const n = fStarts.GetCount();
    std::vector<Sequence> items;
    items.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        items.push_back(Sequence(resolved(fStarts[i]), resolved(fEnds[i])));
    Rebuild(items.data(), n);
}

void GRange::Rebuild(Sequence* items, int n)
{
    // Sequences of each kind are merged on their own; mixed ones only lose their duplicates. This
    // is exactly what AddRange leaves whatever the order of the additions, without its cost of
    // inserting in the middle of the tables, which a long typed text would make quadratic.
    std::vector<Sequence> kinds[3];
    for (int i = 0; i < n; ++i)
    {
        Sequence item = items[i];
        if (item.second.first < item.first.first)
            std::swap(item.first, item.second);
        int const kind = item.first.second != item.second.second ? 2 : (item.first.second ? 1 : 0);
        kinds[kind].push_back(item);
    }
    std::vector<Sequence> all;
    for (int kind = 0; kind < 3; ++kind)
    {
        std::vector<Sequence>& list = kinds[kind];
        std::sort(list.begin(), list.end(), SequenceLess);
        if (kind < 2)
            MergeSorted(list);
        else
            list.erase(std::unique(list.begin(), list.end()), list.end());
        all.insert(all.end(), list.begin(), list.end());
    }
    std::sort(all.begin(), all.end(), SequenceLess);

    Clear();
    int const count = static_cast<int>(all.size());
    fStarts.ExpandTo(count);
    fEnds.ExpandTo(count);
    for (Sequence const& item : all)
    {
        fStarts.AddItem(item.first);
        fEnds.AddItem(item.second);
    }
}

void GRange::InsertSequence(int index, Bound const& from, Bound const& to)
{
    fStarts.InsertItemAt(index, from);
    fEnds.InsertItemAt(index, to);
}

int GRange::LowerBound(Bound const& from, Bound const& to) const
{
    Sequence const key(from, to);
    int low = 0;
    for (int count = fStarts.GetCount(); count > 0;)
    {
        int const half = count / 2;
        if (SequenceLess(Sequence(fStarts[low + half], fEnds[low + half]), key))
        {
            low += half + 1;
            count -= half + 1;
        }
        else
            count = half;
    }
    return low;
}
