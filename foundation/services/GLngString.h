// A message kept untranslated until it is shown: a string-pool id (or a literal text) plus typed
// substitutes for its placeholders "%1" to "%9", rendered in the current language when asked.
#pragma once

#include "GPair.h"
#include "GPathName.h"
#include "GString.h"
#include "GTable.h"

#include <utility>

class GLngString
{
public:
    // The kinds of substitute; the values are those of the stored text form.
    enum StringType
    {
        cStringID = 1,
        cInt32 = 2,
        cString = 3,
        cPathName = 4,
        cLngString = 5,
        cMeasurement = 6
    };
    // Each value is a separate object owned by the message, of the type its kind names: an int for
    // cStringID and cInt32, a GString for cString, a GPathName for cPathName, a GLngString for
    // cLngString and a double (points) for cMeasurement.
    using Substitute = GPair<StringType, void*>;

    GLngString() : fStringID(0) {}
    explicit GLngString(int id) : fStringID(id) {}
    explicit GLngString(GString const& text) : fStringID(0), fText(text) {}
    GLngString(GLngString const& other);
    // Takes the substitutes over; other is left empty.
    GLngString(GLngString&& other) noexcept
        : fStringID(other.fStringID), fText(std::move(other.fText)),
          fSubstitutes(std::move(other.fSubstitutes))
    {
        other.fStringID = 0;
    }
    ~GLngString();

    // Frees the own substitutes, then copies id, literal and substitutes of other.
    GLngString& operator=(GLngString const& other);
    // Takes other's id and literal and appends deep copies of its substitutes after the own ones.
    void Copy(GLngString const& other);
    // Frees every substitute; id and literal stay.
    void CleanUpSubstituteData();

    void AddStringID(int id);
    void AddInt32(int value);
    void AddString(GString const& text);
    void AddPathName(GPathName const& path);
    void AddLngString(GLngString const& message);
    // A length in points, shown in the user's default unit.
    void AddMeasurement(double points);

    // Concatenation: an empty side gives the other side; otherwise this message becomes the
    // literal "%1%2" over copies of its former self and of other.
    GLngString& operator+=(GLngString const& other);

    // No id and an empty literal; the substitutes are not looked at.
    bool IsEmpty() const { return fStringID == 0 && fText.IsEmpty(); }
    bool IsTranslatable() const { return fStringID != 0; }

    // Equal ids, literals and substitute counts, and pairwise equal substitute kinds and values.
    bool operator==(GLngString const& other) const;
    bool operator!=(GLngString const& other) const { return !(*this == other); }

    // Renders in the given language only; false (out empty) when that language lacks the base id
    // or the base id of a nested message. A missing string-id substitute renders as empty text.
    bool GetReadableString(GString const& language, GString& out) const;
    // Renders in the pool's current language, falling back to "enUS"; empty when neither has it.
    void GetReadableString(GString& out) const;
    GString GetReadableString() const;

    // The id when not 0, else the first non-zero id found through the substitutes in order (nested
    // messages by their own base id); 0 when none.
    int GetBaseStringID() const;
    // A wrapping sum over the id, the literal and the substitutes.
    int GetHash() const;

    // The one-line text form: items separated by one blank; the head "s" id or "S" length literal,
    // the number of substitutes, then per substitute its letter and value (texts, paths and nested
    // messages as length and text, lengths in UTF-16 units).
    static void ToString(GLngString const& message, GString& out);
    // Reads the text form back into a new message that the caller owns. Never fails: damaged text
    // gives a partial or empty message. Counts and lengths are bounded by the text that remains,
    // and nesting deeper than cMaxNesting reads as an empty message.
    static GLngString* FromString(GString const& text);

    static constexpr int cMaxNesting = 64;

private:
    void AddSubstitute(StringType type, void* value);

    int fStringID;
    GString fText;
    GTable<Substitute> fSubstitutes;
};
