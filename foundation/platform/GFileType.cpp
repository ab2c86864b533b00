// File kinds and their process-wide registry: lookups by extension, codes, descriptor and user id.
#include "GFileType.h"

#include "GBuiltInFileTypes.h"
#include "GDict.h"
#include "GFileTypeImp.h"
#include "GFileTypeTexts.h"
#include "GLngString.h"
#include "GStringPool.h"
#include "GStringPoolSupport.h"
#include "GStringSupport.h"
#include "GTable.h"
#include "GUTF8Encoding.h"

namespace
{
// Registration order; the registry owns the kinds.
GTable<GFileType const*> sTypes;
// UTF-8 bytes of the lowercased extension -> the first kind registered with it.
GDict<GBuffer, GFileType const*> sByExtension(5);
GFileTypeImp* sImp = nullptr;

GBuffer const cAny = GBuffer::FromStatic("????");

GBuffer ExtensionKey(GString const& extension)
{
    GString lower(extension);
    lower.ToLower();
    GBuffer key;
    lower.GetBuffer(key, GUTF8Encoding::GetInstance());
    return key;
}

bool CodesMatch(GBuffer const& asked, GBuffer const& registered)
{
    return asked == cAny || registered == cAny || asked == registered;
}

bool ExtensionFits(GFileType const& type, GString const& extension)
{
    return extension.IsEmpty() || type.GetExtension() == extension;
}
} // namespace

char const* const GFileType::cAnyCode = "????";
GFileType const* GFileType::sDefault = nullptr;

GFileType::GFileType(int descriptorID, GString const& extension, GBuffer const& creator, GBuffer const& type,
                     int userID)
    : fDescriptorID(descriptorID), fExtension(extension), fCreator(creator), fType(type), fUserID(userID)
{
}

GFileType::GFileType(GString const& descriptor, GString const& extension, GBuffer const& creator,
                     GBuffer const& type, int userID)
    : fDescriptorID(-1), fDescriptorText(descriptor), fExtension(extension), fCreator(creator), fType(type),
      fUserID(userID)
{
}

GFileType::GFileType(GString const& extension)
    : fDescriptorID(-1), fExtension(extension), fCreator(cAny), fType(cAny), fUserID(0)
{
    if (sImp)
        sImp->DescribeExtension(fExtension, fDescriptorText);
}

GFileType::GFileType(GBuffer const& creator, GBuffer const& type, GString const& extension)
    : fDescriptorID(-1), fExtension(extension), fCreator(creator), fType(type), fUserID(0)
{
    if (sImp)
        sImp->DescribeCreatorAndType(CodeToUInt32(fCreator), CodeToUInt32(fType), fDescriptorText);
}

GString const& GFileType::GetDescriptor() const
{
    return fDescriptorID != -1 ? GStringPool::GetString(fDescriptorID) : fDescriptorText;
}

void GFileType::GetDescriptor(GLngString& out) const
{
    out = fDescriptorID != -1 ? GLngString(fDescriptorID) : GLngString(fDescriptorText);
}

bool GFileType::operator==(GFileType const& other) const
{
    return fDescriptorID == other.fDescriptorID && fDescriptorText == other.fDescriptorText &&
           GStringSupport::IsEqualIgnoreCase(fExtension, other.fExtension) && fCreator == other.fCreator &&
           fType == other.fType && fUserID == other.fUserID;
}

unsigned int GFileType::CodeToUInt32(GBuffer const& code)
{
    // A code shorter than four bytes reads as if padded with zero bytes; longer ones are cut.
    unsigned char const* bytes = code.GetPtr();
    unsigned int value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | (i < code.GetLength() ? bytes[i] : 0u);
    return value;
}

GBuffer GFileType::UInt32ToCode(unsigned int code)
{
    unsigned char const bytes[4] = {static_cast<unsigned char>(code >> 24),
                                    static_cast<unsigned char>(code >> 16),
                                    static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)};
    return GBuffer(bytes, 4);
}

void GFileType::Initialize()
{
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", GFileTypeTexts::sRows,
                                          GFileTypeTexts::cCount, false);
    for (GFileTypeRow const& row : GBuiltInFileTypes::sRows)
        AddFileType(row.fDescriptorID, GString(row.fExtension), GBuffer::FromStatic(row.fCreator),
                    GBuffer::FromStatic(row.fType), row.fUserID);
}

void GFileType::Finalize()
{
    // A default left set would point at a deleted kind, and the next registry would hand it out.
    sDefault = nullptr;
    sByExtension.RemoveAll();
    while (sTypes.GetCount() > 0)
    {
        GFileType const* last = sTypes[sTypes.GetCount() - 1];
        sTypes.RemoveLastItem();
        delete last;
    }
}

GFileType const* GFileType::Register(GFileType* type)
{
    try
    {
        sTypes.AddItem(type);
    }
    catch (...) // the registry did not take it, so it is still ours; the failure passes on
    {
        delete type;
        throw;
    }
    GBuffer const key = ExtensionKey(type->fExtension);
    if (!sByExtension.Contains(key))
        sByExtension.Put(key, type);
    return type;
}

GFileType const* GFileType::AddFileType(int descriptorID, GString const& extension, GBuffer const& creator,
                                        GBuffer const& type, int userID)
{
    return Register(new GFileType(descriptorID, extension, creator, type, userID));
}

GFileType const* GFileType::AddFileType(GString const& descriptor, GString const& extension,
                                        GBuffer const& creator, GBuffer const& type, int userID)
{
    return Register(new GFileType(descriptor, extension, creator, type, userID));
}

void GFileType::SetFileTypeImp(GFileTypeImp* imp)
{
    if (imp == sImp)
        return;
    delete sImp;
    sImp = imp;
}

GFileType const* GFileType::GetDefault()
{
    if (sDefault)
        return sDefault;
    return sTypes.GetCount() > 0 ? sTypes[0] : nullptr;
}

GFileType const* GFileType::GetFromDescriptor(GString const& text)
{
    for (int i = 0; i < sTypes.GetCount(); ++i)
    {
        if (sTypes[i]->GetDescriptor() == text)
            return sTypes[i];
    }
    return nullptr;
}

GFileType const* GFileType::GetFromExtension(GString const& extension)
{
    if (GFileType const* const* found = sByExtension.Find(ExtensionKey(extension)))
        return *found;
    return Register(new GFileType(extension));
}

GFileType const* GFileType::GetFromCreator(GBuffer const& creator)
{
    for (int i = 0; i < sTypes.GetCount(); ++i)
    {
        if (sTypes[i]->fCreator == creator)
            return sTypes[i];
    }
    return nullptr;
}

GFileType const* GFileType::GetFromType(GBuffer const& type)
{
    for (int i = 0; i < sTypes.GetCount(); ++i)
    {
        if (sTypes[i]->fType == type)
            return sTypes[i];
    }
    return nullptr;
}

GFileType const* GFileType::GetFromCreatorAndType(GBuffer const& creator, GBuffer const& type,
                                                  GString const& extension)
{
    for (int i = 0; i < sTypes.GetCount(); ++i)
    {
        GFileType const& candidate = *sTypes[i];
        if (candidate.fCreator == creator && candidate.fType == type && ExtensionFits(candidate, extension))
            return &candidate;
    }
    for (int i = 0; i < sTypes.GetCount(); ++i)
    {
        GFileType const& candidate = *sTypes[i];
        bool const anything = candidate.fCreator == cAny && candidate.fType == cAny;
        if (!anything && CodesMatch(creator, candidate.fCreator) && CodesMatch(type, candidate.fType) &&
            ExtensionFits(candidate, extension))
            return &candidate;
    }
    return Register(new GFileType(creator, type, extension));
}

GFileType const* GFileType::GetFromCreatorAndType(unsigned int creator, unsigned int type,
                                                  GString const& extension)
{
    return GetFromCreatorAndType(UInt32ToCode(creator), UInt32ToCode(type), extension);
}

GFileType const* GFileType::GetFromUserID(int userID)
{
    for (int i = 0; i < sTypes.GetCount(); ++i)
    {
        if (sTypes[i]->fUserID == userID)
            return sTypes[i];
    }
    return nullptr;
}
