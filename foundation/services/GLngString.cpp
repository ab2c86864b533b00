// A message with typed substitutes, rendered through the string pool when it is shown.
#include "GLngString.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "GAllocator.h"
#include "GAutoPtr.h"
#include "GStringPool.h"
#include "GUnicodeEncoding.h"
#include "GUnitSupport.h"

namespace
{
// A measurement as the text form can hold it: its reals have digits only, so an overflow (a text
// such as "1e999" read as infinity) is kept as the largest real and NaN as 0, which read back as
// written.
double WritableMeasurement(double points)
{
    if (std::isnan(points))
        return 0.0;
    if (std::isinf(points))
        return points < 0 ? -DBL_MAX : DBL_MAX;
    return points;
}

template<class T>
void* NewValue(T const& value)
{
    void* block = GAllocator::GetInstance()->Alloc(sizeof(T));
    try
    {
        return ::new (block) T(value);
    }
    catch (...) // the block goes back before the failure travels on
    {
        GAllocator::GetInstance()->Free(block, sizeof(T));
        throw;
    }
}

template<class T>
void DeleteValue(void* value)
{
    static_cast<T*>(value)->~T();
    GAllocator::GetInstance()->Free(value, sizeof(T));
}

void DeleteValue(GLngString::StringType type, void* value)
{
    switch (type)
    {
    case GLngString::cStringID:
    case GLngString::cInt32:
        DeleteValue<std::int32_t>(value);
        break;
    case GLngString::cString:
        DeleteValue<GString>(value);
        break;
    case GLngString::cPathName:
        DeleteValue<GPathName>(value);
        break;
    case GLngString::cMeasurement:
        DeleteValue<double>(value);
        break;
    case GLngString::cLngString:
        DeleteValue<GLngString>(value);
        break;
    }
}

void* CopyValue(GLngString::StringType type, void const* value)
{
    switch (type)
    {
    case GLngString::cStringID:
    case GLngString::cInt32:
        return NewValue(*static_cast<std::int32_t const*>(value));
    case GLngString::cString:
        return NewValue(*static_cast<GString const*>(value));
    case GLngString::cPathName:
        return NewValue(*static_cast<GPathName const*>(value));
    case GLngString::cMeasurement:
        return NewValue(*static_cast<double const*>(value));
    case GLngString::cLngString:
        return NewValue(*static_cast<GLngString const*>(value));
    }
    return nullptr;
}

bool AreEqualValues(GLngString::StringType type, void const* a, void const* b)
{
    switch (type)
    {
    case GLngString::cStringID:
    case GLngString::cInt32:
        return *static_cast<std::int32_t const*>(a) == *static_cast<std::int32_t const*>(b);
    case GLngString::cString:
        return *static_cast<GString const*>(a) == *static_cast<GString const*>(b);
    case GLngString::cPathName:
        return *static_cast<GPathName const*>(a) == *static_cast<GPathName const*>(b);
    case GLngString::cMeasurement:
        return *static_cast<double const*>(a) == *static_cast<double const*>(b);
    case GLngString::cLngString:
        return *static_cast<GLngString const*>(a) == *static_cast<GLngString const*>(b);
    }
    return false;
}
} // namespace

GLngString::GLngString(GLngString const& other) : fStringID(0)
{
    try
    {
        Copy(other);
    }
    catch (...) // no destructor runs for a failed construction: free what was copied
    {
        CleanUpSubstituteData();
        throw;
    }
}

GLngString::~GLngString()
{
    CleanUpSubstituteData();
}

GLngString& GLngString::operator=(GLngString const& other)
{
    if (this != &other)
    {
        CleanUpSubstituteData();
        Copy(other);
    }
    return *this;
}

void GLngString::Copy(GLngString const& other)
{
    fStringID = other.fStringID;
    fText = other.fText;
    int count = other.fSubstitutes.GetCount();
    for (int i = 0; i < count; ++i)
    {
        Substitute const& substitute = other.fSubstitutes[i];
        AddSubstitute(substitute.first, CopyValue(substitute.first, substitute.second));
    }
}

void GLngString::CleanUpSubstituteData()
{
    int count = fSubstitutes.GetCount();
    for (int i = 0; i < count; ++i)
        DeleteValue(fSubstitutes[i].first, fSubstitutes[i].second);
    fSubstitutes.Resize(0);
}

void GLngString::AddStringID(int id)
{
    AddSubstitute(cStringID, NewValue(std::int32_t(id)));
}

void GLngString::AddInt32(int value)
{
    AddSubstitute(cInt32, NewValue(std::int32_t(value)));
}

void GLngString::AddString(GString const& text)
{
    AddSubstitute(cString, NewValue(text));
}

void GLngString::AddPathName(GPathName const& path)
{
    AddSubstitute(cPathName, NewValue(path));
}

void GLngString::AddLngString(GLngString const& message)
{
    AddSubstitute(cLngString, NewValue(message));
}

void GLngString::AddMeasurement(double points)
{
    AddSubstitute(cMeasurement, NewValue(points));
}

void GLngString::AddSubstitute(StringType type, void* value)
{
    try
    {
        fSubstitutes.AddItem(Substitute(type, value));
    }
    catch (...) // the value is not in the list that owns it
    {
        DeleteValue(type, value);
        throw;
    }
}

GLngString& GLngString::operator+=(GLngString const& other)
{
    if (IsEmpty())
    {
        *this = other;
        return *this;
    }
    if (other.IsEmpty())
        return *this;
    // Both copies are made before this message changes, so other may be this message itself.
    void* former = NewValue(*this);
    void* latter;
    try
    {
        latter = NewValue(other);
    }
    catch (...) // the first copy is not owned yet
    {
        DeleteValue<GLngString>(former);
        throw;
    }
    CleanUpSubstituteData();
    fStringID = 0;
    fText = GString("%1%2");
    AddSubstitute(cLngString, former);
    AddSubstitute(cLngString, latter);
    return *this;
}

bool GLngString::operator==(GLngString const& other) const
{
    int count = fSubstitutes.GetCount();
    if (fStringID != other.fStringID || count != other.fSubstitutes.GetCount() || fText != other.fText)
        return false;
    for (int i = 0; i < count; ++i)
    {
        Substitute const& a = fSubstitutes[i];
        Substitute const& b = other.fSubstitutes[i];
        if (a.first != b.first || !AreEqualValues(a.first, a.second, b.second))
            return false;
    }
    return true;
}

bool GLngString::GetReadableString(GString const& language, GString& out) const
{
    if (fStringID != 0)
    {
        if (!GStringPool::GetString(language, fStringID, out))
            return false;
    }
    else
        out = fText;
    int count = fSubstitutes.GetCount();
    if (count == 0)
        return true;

    GTable<GString> texts;
    texts.ExpandTo(count);
    for (int i = 0; i < count; ++i)
    {
        void const* value = fSubstitutes[i].second;
        switch (fSubstitutes[i].first)
        {
        case cStringID:
            texts.AddItem(GStringPool::GetString(language, *static_cast<std::int32_t const*>(value)));
            break;
        case cInt32:
            texts.AddItem(GString(int(*static_cast<std::int32_t const*>(value))));
            break;
        case cString:
            texts.AddItem(*static_cast<GString const*>(value));
            break;
        case cPathName:
            texts.AddItem(static_cast<GPathName const*>(value)->GetCrossPlatformString());
            break;
        case cMeasurement:
            texts.AddItem(GUnitSupport::FormatValueWithUnit(*static_cast<double const*>(value), 4));
            break;
        case cLngString:
        {
            GString nested;
            if (!static_cast<GLngString const*>(value)->GetReadableString(language, nested))
            {
                out.Clear();
                return false;
            }
            texts.AddItem(nested);
            break;
        }
        }
    }
    // The pointers are taken once the texts no longer move.
    GTable<GString const*> params;
    params.ExpandTo(count);
    for (int i = 0; i < count; ++i)
        params.AddItem(&texts[i]);
    out.SubstituteParams(params);
    return true;
}

void GLngString::GetReadableString(GString& out) const
{
    if (!GetReadableString(GStringPool::GetLanguage(), out))
        GetReadableString(GStringPool::cEnglish, out);
}

GString GLngString::GetReadableString() const
{
    GString out;
    GetReadableString(out);
    return out;
}

int GLngString::GetBaseStringID() const
{
    if (fStringID != 0)
        return fStringID;
    int count = fSubstitutes.GetCount();
    for (int i = 0; i < count; ++i)
    {
        int id = 0;
        if (fSubstitutes[i].first == cStringID)
            id = *static_cast<std::int32_t const*>(fSubstitutes[i].second);
        else if (fSubstitutes[i].first == cLngString)
            id = static_cast<GLngString const*>(fSubstitutes[i].second)->GetBaseStringID();
        if (id != 0)
            return id;
    }
    return 0;
}

namespace
{
std::uint32_t MeasurementHash(double value)
{
    if (value == 0)
        return 0;
    unsigned char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned char byte : bytes)
    {
        hash ^= static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<signed char>(byte)));
        hash *= 1099511628211ULL;
    }
    return static_cast<std::uint32_t>(hash >> 32) ^ static_cast<std::uint32_t>(hash);
}
} // namespace

int GLngString::GetHash() const
{
    std::uint32_t hash = static_cast<std::uint32_t>(fStringID) + static_cast<std::uint32_t>(fText.GetHash());
    int count = fSubstitutes.GetCount();
    for (int i = 0; i < count; ++i)
    {
        void const* value = fSubstitutes[i].second;
        switch (fSubstitutes[i].first)
        {
        case cStringID:
        case cInt32:
            hash += static_cast<std::uint32_t>(*static_cast<std::int32_t const*>(value));
            break;
        case cString:
            hash += static_cast<std::uint32_t>(static_cast<GString const*>(value)->GetHash());
            break;
        case cPathName:
            hash += static_cast<std::uint32_t>(static_cast<GPathName const*>(value)->GetHash());
            break;
        case cLngString:
            hash += static_cast<std::uint32_t>(static_cast<GLngString const*>(value)->GetHash());
            break;
        case cMeasurement:
            hash += MeasurementHash(*static_cast<double const*>(value));
            break;
        }
    }
    return static_cast<int>(hash);
}

namespace
{
char const cLetters[] = " siSplm";

// Texts of the form are counted in UTF-16 units.
int UnitLength(GString const& text)
{
    GBuffer units;
    text.GetBuffer(units, GUnicodeEncoding::GetInstance());
    return units.GetLength() / 2;
}

void AppendCounted(GString& out, GString const& text)
{
    out += GString(UnitLength(text));
    out += GString(" ");
    out += text;
}

// The reading side of the text form: a cursor over the text's UTF-16 units.
class FormReader
{
public:
    explicit FormReader(GString const& text)
    {
        text.GetBuffer(fUnits, GUnicodeEncoding::GetInstance());
        fCount = fUnits.GetLength() / 2;
    }

    bool AtEnd() const { return fPos >= fCount; }
    int Remaining() const { return fCount - fPos; }

    // The kind of the letter; letter and blank are removed, or everything when fewer than three
    // units remain.
    int ReadLetter()
    {
        if (AtEnd())
            return 0;
        std::uint16_t unit = UnitAt(fPos);
        Remove(Remaining() < 3 ? Remaining() : 2);
        for (int kind = 1; kind <= 6; ++kind)
        {
            if (unit == static_cast<unsigned char>(cLetters[kind]))
                return kind;
        }
        return 0;
    }

    // The leading decimal number (blanks and one sign before it allowed, held to 32 bits); as many
    // units as its canonical decimal form has, and one for the blank, are removed.
    std::int32_t ReadInteger()
    {
        int i = fPos;
        while (i < fCount && (UnitAt(i) == ' ' || UnitAt(i) == '\t'))
            ++i;
        bool negative = false;
        if (i < fCount && (UnitAt(i) == '-' || UnitAt(i) == '+'))
            negative = UnitAt(i++) == '-';
        std::int64_t value = 0;
        for (; i < fCount && UnitAt(i) >= '0' && UnitAt(i) <= '9'; ++i)
        {
            if (value <= INT32_MAX)
                value = value * 10 + (UnitAt(i) - '0');
        }
        if (negative)
            value = -value;
        if (value > INT32_MAX)
            value = INT32_MAX;
        if (value < INT32_MIN)
            value = INT32_MIN;
        std::int32_t result = static_cast<std::int32_t>(value);
        Remove(int(std::to_string(result).size()) + 1);
        return result;
    }

    // A length and that many units; a length beyond what remains (or below 0) takes what remains.
    GString ReadCountedText()
    {
        std::int32_t length = ReadInteger();
        if (length < 0)
            length = 0;
        if (length > Remaining())
            length = Remaining();
        GString text(fUnits.GetSubBuffer(2 * fPos, 2 * length), GUnicodeEncoding::GetInstance(), true);
        Remove(length + 1);
        return text;
    }

    // A real: blanks, one sign, digits with at most one point, an exponent; removed with one blank.
    double ReadReal()
    {
        std::string number;
        int i = fPos;
        while (i < fCount && UnitAt(i) == ' ')
            number += char(UnitAt(i++));
        if (i < fCount && (UnitAt(i) == '-' || UnitAt(i) == '+'))
            number += char(UnitAt(i++));
        bool point = false;
        while (i < fCount && ((UnitAt(i) >= '0' && UnitAt(i) <= '9') || (UnitAt(i) == '.' && !point)))
        {
            point = point || UnitAt(i) == '.';
            number += char(UnitAt(i++));
        }
        if (i < fCount && (UnitAt(i) == 'e' || UnitAt(i) == 'E'))
        {
            number += char(UnitAt(i++));
            if (i < fCount && (UnitAt(i) == '-' || UnitAt(i) == '+'))
                number += char(UnitAt(i++));
            while (i < fCount && UnitAt(i) >= '0' && UnitAt(i) <= '9')
                number += char(UnitAt(i++));
        }
        Remove(int(number.size()) + 1);
        return WritableMeasurement(std::strtod(number.c_str(), nullptr));
    }

private:
    std::uint16_t UnitAt(int index) const
    {
        return reinterpret_cast<std::uint16_t const*>(fUnits.GetPtr())[index];
    }
    void Remove(int count)
    {
        fPos = count >= Remaining() ? fCount : fPos + count;
    }

    GBuffer fUnits;
    int fCount = 0;
    int fPos = 0;
};

void ReadForm(FormReader& in, GLngString& message, int depth);

GLngString ReadNested(GString const& text, int depth)
{
    GLngString nested;
    FormReader in(text);
    ReadForm(in, nested, depth);
    return nested;
}

void ReadForm(FormReader& in, GLngString& message, int depth)
{
    if (in.AtEnd() || depth > GLngString::cMaxNesting)
        return;
    int head = in.ReadLetter();
    if (head == GLngString::cStringID)
        message = GLngString(int(in.ReadInteger()));
    else if (head == GLngString::cString)
        message = GLngString(in.ReadCountedText());
    else
        return;
    std::int32_t count = in.ReadInteger();
    // Each substitute takes at least one unit, so the text that remains bounds the count.
    for (std::int32_t i = 0; i < count && !in.AtEnd(); ++i)
    {
        switch (in.ReadLetter())
        {
        case GLngString::cStringID:
            message.AddStringID(in.ReadInteger());
            break;
        case GLngString::cInt32:
            message.AddInt32(in.ReadInteger());
            break;
        case GLngString::cString:
            message.AddString(in.ReadCountedText());
            break;
        case GLngString::cPathName:
        {
            GPathName path;
            path.SetCrossPlatformString(in.ReadCountedText());
            message.AddPathName(path);
            break;
        }
        case GLngString::cLngString:
            message.AddLngString(ReadNested(in.ReadCountedText(), depth + 1));
            break;
        case GLngString::cMeasurement:
            message.AddMeasurement(in.ReadReal());
            break;
        default:
            break;
        }
    }
}
} // namespace

void GLngString::ToString(GLngString const& message, GString& out)
{
    out.Clear();
    if (message.fStringID != 0)
    {
        out += GString("s ");
        out += GString(message.fStringID);
    }
    else
    {
        out += GString("S ");
        AppendCounted(out, message.fText);
    }
    int count = message.fSubstitutes.GetCount();
    out += GString(" ");
    out += GString(count);
    for (int i = 0; i < count; ++i)
    {
        StringType type = message.fSubstitutes[i].first;
        void const* value = message.fSubstitutes[i].second;
        char const letter[4] = {' ', cLetters[type], ' ', 0};
        out += GString(letter);
        switch (type)
        {
        case cStringID:
        case cInt32:
            out += GString(int(*static_cast<std::int32_t const*>(value)));
            break;
        case cString:
            AppendCounted(out, *static_cast<GString const*>(value));
            break;
        case cPathName:
            AppendCounted(out, static_cast<GPathName const*>(value)->GetCrossPlatformString());
            break;
        case cLngString:
        {
            GString nested;
            ToString(*static_cast<GLngString const*>(value), nested);
            AppendCounted(out, nested);
            break;
        }
        case cMeasurement:
            out += GString(WritableMeasurement(*static_cast<double const*>(value)), 9);
            break;
        }
    }
}

GLngString* GLngString::FromString(GString const& text)
{
    GAutoPtr<GLngString> message(new GLngString);
    FormReader in(text);
    ReadForm(in, *message, 0);
    return message.Release();
}
