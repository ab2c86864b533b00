// A set of integers held as ordered sequences, read from and written as the texts users type for page
// selections ("1-10,15,20-", "R3-R1"). A bound may count from the back until the range is resolved.
#pragma once

#include "GPair.h"
#include "GString.h"
#include "GTable.h"

class GBuffer;

class GRange
{
public:
    // A bound: its value and whether it counts from the back (1 is then the last item).
    using Bound = GPair<int, bool>;

    // The open ends: one above the smallest and one below the largest 32-bit value. They are
    // ordinary values as far as comparisons and merging go; only the text output knows them.
    static constexpr int cFromFirst = -2147483647;
    static constexpr int cToLast = 2147483646;

    // Results of Set.
    static constexpr int cValid = 0;
    static constexpr int cInvalidCharacter = 1;
    static constexpr int cSyntaxError = 2;

    // Results of AddRange and the other adding calls.
    static constexpr int cUnchanged = 0;
    static constexpr int cInserted = 1;
    static constexpr int cExtended = 3;

    // Results of IsInRange(from, to).
    static constexpr int cContained = 0;
    static constexpr int cEqual = 1;
    static constexpr int cOutside = 2;

    static GRange const cEmptyRange;

    GRange() : fSelectAll(false) {}
    // As Set; the result is not kept, so a text that does not read gives what Set leaves.
    explicit GRange(char const* text);
    explicit GRange(GString const& text);

    // Reads a typed text: cValid, cInvalidCharacter (a byte other than digits, ",", "-", "R", "r",
    // blank and tab; the sequences held before stay) or cSyntaxError (the sequences read before the
    // error stay). Select all is cleared in every case. A number above 2147483647 is a syntax error.
    int Set(GBuffer const& text);
    // The text's ASCII form; a character that ASCII cannot hold is an invalid character.
    int Set(GString const& text);
    // Null reads as the empty text.
    int Set(char const* text);

    // Each sequence as its start and, when the end is another bound, the range separator and the
    // end, with offset added to every printed value; the open ends print as nothing, so everything
    // prints as the range separator alone. A select-all range prints as the empty text.
    void ToString(GString& out, int offset = 0, GString const& sequenceSeparator = GString(","),
                  GString const& rangeSeparator = GString("-")) const;
    // As ToString while there are at most maxSequences sequences; beyond, only the first start, the
    // compact separator and the last end. An empty range prints as the empty text whatever the
    // maximum.
    void ToCompactString(GString& out, int maxSequences, GString const& compactSeparator, int offset = 0,
                         GString const& sequenceSeparator = GString(","),
                         GString const& rangeSeparator = GString("-")) const;
    // The number of decimal digits at offset (0 when there are none or offset is outside the text).
    // When there are digits, out receives their value, or -1 when it does not fit in a signed 32-bit
    // number (any number of digits is read without overflow).
    static int ReadNumber(GBuffer const& text, int offset, int& out);

    // Adding does nothing, and returns cUnchanged, while select all is set.
    // Bounds given in the wrong order swap (values compared as stored). The new sequence is merged
    // with every sequence of its own kind that it overlaps or touches: cUnchanged when one of them
    // holds it already, cExtended when it overlaps one, else cInserted (also when it was joined to
    // a neighbour it merely touches). Only sequences whose bounds all count the same way merge: a
    // sequence counted from the front at one end and from the back at the other is kept as it is,
    // since where its ends lie among the other bounds depends on the count given to Resolve.
    int AddRange(int from, bool fromBack, int to, bool toBack);
    int AddRange(int from, int to) { return AddRange(from, false, to, false); }
    int Add(int value) { return AddRange(value, false, value, false); }
    int AddReverse(int value) { return AddRange(value, true, value, true); }
    // length items from start, backwards for a negative length; 0 adds nothing. Ends beyond the
    // 32-bit values stop at the largest or smallest value.
    int AddSequence(int start, int length);
    // The results of the single additions, or-ed.
    int Add(GTable<int> const& values);
    int Add(GRange const& other);

    int GetNumOfSequences() const { return fStarts.GetCount(); }
    // Both leave the outputs untouched for an index outside the sequences. The length stops at
    // 2147483647 (from the first to the last is longer).
    void GetSequence(int index, Bound& from, Bound& to) const;
    void GetSequence(int index, int& start, int& length) const;
    // The number of values (as stored, flags not considered), at most 2147483647; 2147483647 for a
    // select-all range.
    int GetCount() const;
    // Values as stored, flags not considered; everything is in a select-all range.
    bool IsInRange(int value) const;
    // cContained (also for a select-all range), cEqual or cOutside; the first sequence in order that
    // equals or holds [from, to] decides.
    int IsInRange(int from, int to) const;
    // The sequence (of bounds counting the given way) holding value: true with its index; otherwise
    // false with the index where it would be inserted (the number of sequences past the end).
    bool FindSequence(int value, bool fromBack, int& index) const;
    // The next and the previous value in the range, or value itself when there is none.
    int GetNext(int value) const;
    int GetPrevious(int value) const;
    // The smallest start and the largest end; -1 and -1 without sequences.
    void GetUnion(int& first, int& last) const;
    bool HasReverseItems() const;
    bool IsSelectAll() const { return fSelectAll; }
    bool operator==(GRange const& other) const;
    bool operator!=(GRange const& other) const { return !(*this == other); }
    // 2 when either range counts from the back or a sequence of this range lies in no sequence of
    // other; otherwise 1 when every sequence of this range equals one of other and this range has
    // at least as many, else 0.
    int PartialOrderLessThan(GRange const& other) const;
    // The overlaps of the sequences of both, as values counted from the front.
    GRange GetIntersection(GRange const& other) const;
    // Sequences in ascending order, each start at most its end, and sequences counted the same way
    // neither overlapping nor touching.
    bool CheckConsistency() const;

    void Clear();
    void SetSelectAll();
    // Indexes and counts outside the sequences are cut to them.
    void RemoveSequences(int index, int n);
    // When the end of sequence i plus one is the start of sequence j and both bounds count the same
    // way, i takes j's end and j goes: true. Otherwise, and for indexes outside, false.
    bool TryJoinSequences(int i, int j);
    // Adds n to every value counted from the front except the open ends; results beyond the 32-bit
    // values stop at the largest or smallest value, and sequences that then meet are merged.
    void Shift(int n);
    // Turns every bound counted from the back into one counted from the front, v into count - v + 1,
    // and orders and merges the sequences again. Nothing happens when no bound counts from the back.
    void Resolve(int count);

private:
    // One sequence: its first and its last bound.
    using Sequence = GPair<Bound, Bound>;

    // Replaces the sequences by the given ones, ordered and merged as AddRange would leave them
    // after adding them one by one in any order; select all is cleared.
    void Rebuild(Sequence* items, int n);
    void InsertSequence(int index, Bound const& from, Bound const& to);
    // Where a sequence belongs by its bounds (value, then flag, start before end).
    int LowerBound(Bound const& from, Bound const& to) const;
    void AppendSequence(GString& out, int index, int offset, GString const& rangeSeparator) const;

    bool fSelectAll;
    GTable<Bound> fStarts;
    GTable<Bound> fEnds;
};
