// The framework's text value: bytes together with the encoding singleton that says how to read them.
// Text stays in its own encoding only where a caller asks; positions and counts are UTF-16 units.
#pragma once

#include <utility>

#include "GBuffer.h"
#include "GEncoding.h"
#include "GSharedObject.h"
#include "GTable.h"

class GString
{
public:
    // No bytes, no encoding.
    static GString const cEmptyString;

    GString() = default;
    // Every constructor and Set that takes an encoding ends with Normalize(keepEncoding): with true
    // the encoding stays (and UTF-16 is composed), with false the text is brought to UTF-16 without
    // composition. A null encoding gives an empty string without encoding.
    GString(GBuffer const& bytes, GEncoding const* encoding, bool keepEncoding);
    // A null pointer or a negative length gives no bytes.
    GString(unsigned char const* bytes, int length, GEncoding const* encoding, bool keepEncoding);
    // The text up to the encoding's terminator (a zero byte, or a zero unit for UTF-16); null gives no bytes.
    GString(char const* text, GEncoding const* encoding, bool keepEncoding);
    // UTF-16 units up to the first zero unit; null gives no bytes.
    GString(char16_t const* text, bool keepEncoding);
    // A plain 8-bit literal: ASCII, not normalised. Null gives an empty ASCII string.
    GString(char const* text);
    // Decimal ASCII text.
    explicit GString(int value);
    explicit GString(unsigned int value);
    explicit GString(long long value);
    explicit GString(unsigned long long value);
    // ASCII through GBuffer's formatted reals: trailing zeros of a fraction and a bare "." dropped.
    GString(double value, GBuffer const& format);
    // "%f", so 2.5 gives "2.5" and 3.0 gives "3".
    explicit GString(double value);
    GString(double value, int decimals);
    GString(GString const& other) = default;
    GString(GString&& other) noexcept = default;
    // The encoding is released before owned bytes are freed (member order).
    ~GString() = default;

    GString& operator=(GString const& other) = default;
    // Swaps, so the moved-from string keeps a consistent text (this one's old one).
    GString& operator=(GString&& other) noexcept
    {
        fBytes.Swap(other.fBytes);
        std::swap(fEncoding, other.fEncoding);
        return *this;
    }

    // Replacement of the whole text, by the rules of the matching constructor.
    void Set(GBuffer const& bytes, GEncoding const* encoding, bool keepEncoding);
    void Set(unsigned char const* bytes, int length, GEncoding const* encoding, bool keepEncoding);
    void Set(char const* text, GEncoding const* encoding, bool keepEncoding);
    void Set(int value);
    void Set(unsigned int value);
    // "%.*d": at least digits digits, zero-padded.
    void SetInt(int value, int digits);
    void SetWithHighPrecision(double value);
    void Set(double value, GBuffer const& format);
    void Set(double value, int decimals);
    void Set(double value);
    // Byte length 0 (the storage stays) and no encoding.
    void Clear();

    // The storage rule that ends every constructor and Set taking bytes and an encoding.
    void Normalize(bool keepEncoding);

    // Only the byte length counts: a string with an encoding and no bytes is empty too.
    bool IsEmpty() const { return fBytes.IsEmpty(); }
    // The stored bytes in the string's own encoding, without a copy; valid until the string next
    // changes (the editing and search operations below rewrite it too).
    GBuffer const& GetBytes() const { return fBytes; }
    GSharedObject<GEncoding> const& GetEncoding() const { return fEncoding; }
    // The encoding's ASCII description, or "NULL" without encoding.
    GBuffer const& GetEncodingName() const;

    // The ASCII form read as a number.
    int GetInt32() const;
    long long GetInt64() const;
    unsigned int GetUInt32() const;
    double GetReal() const;

    // The hash of the UTF-16 form, so that equal texts hash alike whatever their encodings.
    int GetHash() const;

    // The text in the target encoding; the conversion's result code (exactly 1 is success).
    unsigned GetBuffer(GBuffer& out, GEncoding const* target) const;
    GBuffer GetBuffer(GEncoding const* target) const;
    // Rewrites this string as UTF-16 (composed when it was converted); a string that is already
    // UTF-16 is left as it is, and a string without encoding becomes an empty UTF-16 string, except
    // the shared cEmptyString, which every thread reads and which stays without encoding. Declared
    // const because reading operations rely on it.
    void EnsureUnicode() const;
    // Whether the bytes are valid text of the encoding (decided by the encoding's description).
    static bool AreCompatible(GBuffer const& bytes, GEncoding const* encoding);
    // The same, converting into scratch: a caller checking many texts passes the same buffer each
    // time, so that its storage is reused.
    static bool AreCompatible(GBuffer const& bytes, GEncoding const* encoding, GBuffer& scratch);

    // Joins in the common encoding where there is one, else in UTF-16. Not normalised again.
    GString& operator+=(GString const& other);
    friend GString operator+(GString const& a, GString const& b);

    // Equal encodings compare bytes; otherwise the UTF-16 forms are compared.
    friend bool operator==(GString const& a, GString const& b);
    friend bool operator!=(GString const& a, GString const& b) { return !(a == b); }
    // Order of the stored UTF-16 bytes (little-endian units: low byte first), not of code points:
    // U+0100 sorts before "A". A shorter string sorts before a longer one with its prefix.
    friend bool operator<(GString const& a, GString const& b);
    friend bool operator>(GString const& a, GString const& b) { return b < a; }
    friend bool operator<=(GString const& a, GString const& b) { return !(b < a); }
    friend bool operator>=(GString const& a, GString const& b) { return !(a < b); }
    static bool IsLessThan(GString const& a, GString const& b) { return a < b; }
    static bool IsLessThanIgnoreCase(GString const& a, GString const& b);

    // "%1" to "%9" become the parameter of that number and "%s" the parameters in order; inserted
    // text is never scanned again and placeholders without a parameter stay. The result is composed
    // UTF-16. A null entry of the table counts as an empty parameter.
    GString& SubstituteParams(GTable<GString const*> const& params);
    GString& SubstituteParams(GString const& p1);
    GString& SubstituteParams(GString const& p1, GString const& p2);
    GString& SubstituteParams(GString const& p1, GString const& p2, GString const& p3);
    // String pointers ended by a null pointer; a null first pointer means no parameters.
    GString& SubstituteParams(GString const* first, ...);
    // Every "%" followed by "1" to "9" or "s" in the UTF-16 form.
    int GetNumSubstitutes() const;

    // --- editing and search ---
    // Positions and counts are UTF-16 units of the string's UTF-16 form (a character outside the
    // Basic Multilingual Plane counts two); -1 means not found. Each operation first rewrites this
    // string as UTF-16 (EnsureUnicode), the const searches included, so afterwards it is UTF-16.
    // A string without bytes is never rewritten by the const operations (nothing can be found in
    // it), so the shared cEmptyString is never written, whichever threads read it.
    // Positions outside the text are harmless: an edit there changes nothing, a count that runs
    // past the end stops at the end, and a negative search start counts as 0 (FindLast excepted).

    // One-to-one case mapping through ICU, independent of the process's locale. A surrogate pair is
    // mapped as one character, so the length never changes; a lone surrogate stays. Nothing at all
    // happens to a string without encoding or without bytes.
    void ToLower();
    void ToUpper();
    // Inserts text's UTF-16 form before unit index (index equal to the length appends).
    void Insert(int index, GString const& text);
    void Insert(int index, unsigned short unit);
    void Remove(int index, int count);
    // Replaces every occurrence of find at or after start; inserted text is never searched again,
    // so replacing "a" by "aa" ends. True when at least one was replaced. An empty find replaces
    // nothing and leaves this string in its own encoding. The arguments are read, never rewritten.
    bool Replace(int start, GString const& find, GString const& replacement);
    // Every unit equal to from at or after start becomes to; each position is looked at once, so
    // from equal to to ends as well (true when from occurs, the text unchanged).
    bool Replace(int start, unsigned short from, unsigned short to);
    // First index >= start holding unit (or one of count units, none when count <= 0).
    int FindFirst(unsigned short unit, int start) const;
    int FindFirst(unsigned short const* units, int count, int start) const;
    // First index >= start whose unit differs from unit (is none of the units: start itself when
    // count < 1 and start is inside the text).
    int FindFirstNot(unsigned short unit, int start) const;
    int FindFirstNot(unsigned short const* units, int count, int start) const;
    // Last index <= start holding unit; a start at or past the end searches the whole text, a
    // negative one finds nothing.
    int FindLast(unsigned short unit, int start) const;
    // First index >= start where the whole of text occurs. An empty text is found at start itself
    // (0 for a negative start) as long as start is not past the end, and -1 beyond: a caller that
    // searches on from the last find plus one always ends.
    int Find(GString const& text, int start) const;
    // count units from index, composed; a negative count means up to the end, and a count past the
    // end stops there; an index outside the text gives an empty UTF-16 string.
    GString GetSubstring(int index, int count) const;
    // The same units as UTF-16 into out (which may be this string), not composed.
    void GetSubstring(GString& out, int index, int count) const;
    // --- end of editing and search ---

private:
    // The text's UTF-16 form: nothing without encoding, the own bytes when UTF-16, otherwise the
    // conversion, composed. Returns the conversion's result code (1 for the first two).
    unsigned GetUnicodeForm(GBuffer& out) const;
    // EnsureComposedUnicode of the UTF-16 singleton, skipped for text that is composed already
    // (every unit below U+0300, where nothing composes).
    static void Compose(GBuffer& utf16);
    // Replaces the encoding (the new one is acquired before the old one is released); the same one
    // is kept without touching its count.
    void SetEncoding(GEncoding const* encoding)
    {
        if (fEncoding.Get() != encoding)
            fEncoding = const_cast<GEncoding*>(encoding);
    }
    void SetASCII(GBuffer&& text);

    // Mutable: EnsureUnicode and the searches of this class rewrite the representation in place.
    mutable GBuffer fBytes;
    mutable GSharedObject<GEncoding> fEncoding;
};
