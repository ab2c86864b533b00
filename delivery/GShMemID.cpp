// Names of shared objects: validation, joining, and the special ids.
#include "GShMemID.h"

#include <cstring>

#include "GASCIIEncoding.h"
#include "GSimpleException.h"
#include "GString.h"

namespace
{
// "The specified shared memory identifier contains invalid characters"
constexpr int cInvalidCharacters = 40162;

bool IsAllowed(unsigned char byte)
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           byte == '_';
}
} // namespace

GDict<int, GShMemID> GShMemID::sSpecialIDs(5);

GShMemID::GShMemID(char const* text)
{
    if (!text || text[0] == 0)
        return;
    int const length = static_cast<int>(std::strlen(text));
    unsigned char const* bytes = reinterpret_cast<unsigned char const*>(text);
    Validate(bytes, length);
    fText.Set(bytes, length);
}

GShMemID::GShMemID(GBuffer const& bytes)
{
    if (bytes.IsEmpty())
        return;
    Validate(bytes.GetPtr(), bytes.GetLength());
    fText = bytes;
}

GShMemID::GShMemID(GString const& text)
{
    GASCIIEncoding* ascii = GASCIIEncoding::GetInstance();
    GBuffer bytes;
    text.GetBuffer(bytes, ascii);
    // A character ASCII cannot carry comes back as something else (or not at all), so the text
    // rebuilt from the bytes differs from the one given.
    if (GString(bytes, ascii, true) != text)
        throw GSimpleException(cInvalidCharacters);
    if (bytes.IsEmpty())
        return;
    Validate(bytes.GetPtr(), bytes.GetLength());
    fText = bytes;
}

GShMemID operator+(GShMemID const& first, GShMemID const& second)
{
    GShMemID joined(first);
    joined += second;
    return joined;
}

GShMemID& GShMemID::operator+=(GShMemID const& other)
{
    // Both parts were valid, but a name is checked wherever it is made.
    GBuffer joined = fText + other.fText;
    if (!joined.IsEmpty())
        Validate(joined.GetPtr(), joined.GetLength());
    fText = joined;
    return *this;
}

void GShMemID::Validate(unsigned char const* bytes, int length)
{
    for (int i = 0; i < length; ++i)
    {
        if (!IsAllowed(bytes[i]))
            throw GSimpleException(cInvalidCharacters);
    }
}

void GShMemID::Initialize()
{
    sSpecialIDs.Put(cSpecialP, GShMemID("P"));
    sSpecialIDs.Put(cSpecialG, GShMemID("G"));
    sSpecialIDs.Put(cSpecialM, GShMemID("M"));
    sSpecialIDs.Put(cSpecialMQ, GShMemID("MQ"));
    sSpecialIDs.Put(cSpecialPS, GShMemID("PS"));
    sSpecialIDs.Put(cSpecialGIPC, GetSpecialID(cSpecialG) + GShMemID("IPC"));
    sSpecialIDs.Put(cSpecialGIPCTest, GetSpecialID(cSpecialG) + GShMemID("IPCTest"));
}

void GShMemID::Finalize()
{
    sSpecialIDs.RemoveAll();
}

GShMemID const& GShMemID::GetSpecialID(int key)
{
    static GShMemID const sEmpty;
    GShMemID const* found = sSpecialIDs.Find(key);
    return found ? *found : sEmpty;
}
