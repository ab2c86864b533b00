// Text and files between the foundation and the InDesign host.
#include "GIDCSConvertMethods.h"

#include "GPathName.h"
#include "GString.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "PMString.h"

void GIDCSConvertMethods::ConvertToGString(PMString const& text, GString& out)
{
    std::u16string const& units = text.GetUTF16();
    out.Set(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(units.size() * 2),
            GUnicodeEncoding::GetInstance(), true);
}

void GIDCSConvertMethods::ConvertToPMString(GString const& text, PMString& out)
{
    GBuffer const utf8 = text.GetBuffer(GUTF8Encoding::GetInstance());
    out.ReadPlatformWriteUnicode(reinterpret_cast<char const*>(utf8.GetPtr()), utf8.GetLength(),
                                 PMString::kEncodingUTF8);
    out.SetTranslatable(kFalse);
}

IDFile GIDCSConvertMethods::ConvertToIDFile(GPathName const& path)
{
    GBuffer const hfs = path.GetCFMPathString().GetBuffer(GUTF8Encoding::GetInstance());
    return IDFile::FromHFSPath(
        std::string(reinterpret_cast<char const*>(hfs.GetPtr()), static_cast<std::size_t>(hfs.GetLength())));
}
