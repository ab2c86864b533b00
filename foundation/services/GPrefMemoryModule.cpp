// The in-memory preference module and its stored copy.
#include "GPrefMemoryModule.h"

#include "GMemoryOutStream.h"
#include "GUnicodeEncoding.h"

GPrefMemoryModule::GPrefMemoryModule()
{
    GPrefMemoryModule::ReadDict();
}

GPrefMemoryModule::GPrefMemoryModule(GString const& text)
{
    GEncoding* encoding = const_cast<GEncoding*>(text.GetEncoding().Get());
    if (encoding)
    {
        ReadPrefsText(text.GetBuffer(encoding), encoding);
        fStored = fPrefs;
    }
    GPrefMemoryModule::ReadDict();
}

GPrefMemoryModule::~GPrefMemoryModule() = default;

void GPrefMemoryModule::ReadDict()
{
    fDirty = false;
    fPrefs = fStored;
}

void GPrefMemoryModule::WriteDict()
{
    if (!fDirty)
        return;
    fStored = fPrefs;
    fDirty = false;
}

void GPrefMemoryModule::GetPrefsData(GString& text) const
{
    GBuffer bytes;
    {
        GMemoryOutStream sink(bytes);
        GetPrefsDataToStream(sink, GUnicodeEncoding::GetInstance());
    }
    // Kept as written: composing the escaped text would merge an escape's letter with a combining
    // mark that follows it.
    text.Set(bytes, GUnicodeEncoding::GetInstance(), false);
}
