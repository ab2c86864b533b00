// A message with typed substitutes, rendered through the string pool when it is shown.
#include "GLngString.h"

#include <cstdint>
#include <new>

#include "GAllocator.h"
#include "GStringPool.h"

namespace
{
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

void GLngString::AddLngString(GLngString const& message)
{
    AddSubstitute(cLngString, NewValue(message));
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
