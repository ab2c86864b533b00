// Registration of built-in string tables into the string pool, and the encoding names they use.
#include "GStringPoolSupport.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "GASCIIEncoding.h"
#include "GBuffer.h"
#include "GDateTime.h"
#include "GFileOutStream.h"
#include "GFileSystem.h"
#include "GFileSystemIterator.h"
#include "GLanguageInfoCache.h"
#include "GPrefFileModule.h"
#include "GProcessInfo.h"
#include "GStringFileReader.h"
#include "GText2BinStream.h"
#include "GBufferSupport.h"
#include "GMacRomanEncoding.h"
#include "GPlatformEncoding.h"
#include "GShiftJISEncoding.h"
#include "GSimpleException.h"
#include "GString.h"
#include "GStringPool.h"
#include "GStringPoolTable.h"
#include "GTable.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace
{
// "Invalid value passed a parameter".
constexpr int cInvalidParameter = 40017;

constexpr unsigned char cCR = 13;

struct EncodingName
{
    char const* fName;
    GEncoding* (*fGetInstance)();
};

EncodingName const cEncodingNames[] = {
    {"WinAnsiEncoding", []() -> GEncoding* { return GWinAnsiEncoding::GetInstance(); }},
    {"MacRomanEncoding", []() -> GEncoding* { return GMacRomanEncoding::GetInstance(); }},
    {"UnicodeEncoding", []() -> GEncoding* { return GUnicodeEncoding::GetInstance(); }},
    {"ShiftJISEncoding", []() -> GEncoding* { return GShiftJISEncoding::GetInstance(); }},
    {"UTF8Encoding", []() -> GEncoding* { return GUTF8Encoding::GetInstance(); }},
};

// The nibble of a hexadecimal digit; any other character reads as all bits set, so that as the
// first digit of a pair it gives the high nibble F and as the second the whole byte FF.
int HexNibble(unsigned char digit)
{
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    return -1;
}

// Two digits per byte; a digit without partner at the end is dropped. A decoded "t" or "n" after a
// backslash character (backslash, 0x80 or the yen sign 0xA5) joins it into a tab or a line end.
// The preceding byte is always the decoded one, so backslash, backslash, t gives backslash and tab.
void DecodeHexText(unsigned char const* hex, int length, GBuffer& bytes)
{
    int count = length / 2;
    bytes.SetLength(count);
    unsigned char* out = bytes.GetWritePtr();
    int written = 0;
    unsigned char previous = 0;
    for (int i = 0; i < count; ++i)
    {
        unsigned high = static_cast<unsigned>(HexNibble(hex[2 * i]));
        unsigned low = static_cast<unsigned>(HexNibble(hex[2 * i + 1]));
        unsigned char byte = static_cast<unsigned char>(high << 4 | low);
        if (i > 0 && GBufferSupport::IsBackSlashCharacter(previous) && (byte == 't' || byte == 'n'))
            out[written - 1] = byte == 't' ? 9 : cCR;
        else
            out[written++] = byte;
        previous = byte;
    }
    bytes.SetLength(written);
}
} // namespace

GEncoding* GStringPoolSupport::GetEncoding(GBuffer const& name)
{
    for (EncodingName const& entry : cEncodingNames)
    {
        if (name == GBuffer::FromStatic(entry.fName))
            return entry.fGetInstance();
    }
    return nullptr;
}

void GStringPoolSupport::AddStringPoolData(GBuffer const& language, char const* encodingName,
                                           GStringPoolDataStruct* rows, int count, bool hex)
{
    GEncoding* encoding = encodingName ? GetEncoding(GBuffer::FromStatic(encodingName)) : nullptr;
    // Without the encoding the bytes cannot be read; registering nothing silently would hide the
    // whole table.
    if (!encoding)
        throw GSimpleException(cInvalidParameter);

    GStringPoolTable* table = GStringPool::GetTable(GString(language, encoding, false));
    bool wide = encoding == GUnicodeEncoding::GetInstance();
    std::int32_t previous = -1;
    GBuffer bytes;
    for (int i = 0; i < count; ++i)
    {
        std::int32_t id = rows[i].fID == -1 ? previous + 1 : rows[i].fID;
        previous = id;
        // A built-in row never replaces an entry, so an id already present costs no conversion.
        if (table->FindStringForID(id))
            continue;
        // A missing text is empty; two zero bytes end it in UTF-16 too.
        char const* row = rows[i].fText ? rows[i].fText : "\0";
        unsigned char const* text = reinterpret_cast<unsigned char const*>(row);
        if (hex)
            DecodeHexText(text, int(std::strlen(row)), bytes);
        else
        {
            bytes.Set(text, encoding->GetLength(text));
            if (wide)
                GBufferSupport::UniPlatformLineEndings(bytes);
            else
                GBufferSupport::ASCIIPlatformLineEndings(bytes);
        }
        table->SetDefaultString(id, GString(bytes, encoding, true), encoding);
    }
}

bool GStringPoolSupport::sDefaultStringFileParamsSet = false;
GPathName GStringPoolSupport::sLNGFolder;
GString GStringPoolSupport::sPrefix;
int GStringPoolSupport::sMinVersion = 0;
int GStringPoolSupport::sMaxVersion = 0;
int GStringPoolSupport::sVersionLength = 0;
GString GStringPoolSupport::sProductPrefix;

void GStringPoolSupport::Finalize()
{
    sDefaultStringFileParamsSet = false;
}

bool GStringPoolSupport::IsStringFile(GPathName const& path, GString const& prefix, int minVersion,
                                      int maxVersion, int versionLength, GString const& language)
{
    GString extension = path.GetExtension();
    extension.ToUpper();
    if (extension != GString("LNG"))
        return false;
    GString leaf = path.GetLeafWithoutExtension();
    leaf.ToUpper();
    GBuffer name;
    if (leaf.GetBuffer(name, GASCIIEncoding::GetInstance()) != 1)
        return false;
    GBuffer start;
    prefix.GetBuffer(start, GASCIIEncoding::GetInstance());
    GString upperLanguage(language);
    upperLanguage.ToUpper();
    GBuffer code;
    upperLanguage.GetBuffer(code, GASCIIEncoding::GetInstance());

    if (versionLength < 0 ||
        static_cast<long>(name.GetLength()) < static_cast<long>(versionLength) + start.GetLength() + code.GetLength())
        return false;
    if (std::memcmp(name.GetPtr(), start.GetPtr(), std::size_t(start.GetLength())) != 0)
        return false;
    if (code.GetLength() > 0 && name.FindSubBuffer(code, 0, false) < 0)
        return false;
    long version = 0;
    unsigned char const* digits = name.GetPtr() + start.GetLength();
    for (int i = 0; i < versionLength && digits[i] >= '0' && digits[i] <= '9'; ++i)
        version = version * 10 + (digits[i] - '0');
    return minVersion <= version && version <= maxVersion;
}

int GStringPoolSupport::ReadStringFiles(GPathName const& folder, GString const& prefix, int minVersion,
                                        int maxVersion, int versionLength, GString const& language)
{
    if (folder.IsEmpty() || !GFileSystem::TryFolderExists(folder))
        return 0;
    int read = 0;
    for (GFileSystemIterator it(folder, 1, 0); it != GFileSystemIterator::cEnd; ++it)
    {
        if (!IsStringFile(*it, prefix, minVersion, maxVersion, versionLength, language))
            continue;
        GStringFileReader reader(*it);
        reader.ParseStringFile();
        ++read;
    }
    return read;
}

void GStringPoolSupport::ReadStringFiles(GPathName const& folder, GString const& prefix, int minVersion,
                                         int maxVersion, int versionLength)
{
    sLNGFolder = folder;
    sPrefix = prefix;
    sMinVersion = minVersion;
    sMaxVersion = maxVersion;
    sVersionLength = versionLength;
    sDefaultStringFileParamsSet = true;
}

void GStringPoolSupport::ReadStringFilesAndWildCardFiles(GPathName const& folder, GString const& prefix,
                                                         int minVersion, int maxVersion, int versionLength)
{
    bool wildCard = false;
    if (!folder.IsEmpty() && GFileSystem::TryFolderExists(folder))
    {
        for (GFileSystemIterator it(folder, 1, 0); it != GFileSystemIterator::cEnd && !wildCard; ++it)
        {
            GString extension = it->GetExtension();
            GString leaf = it->GetLeafWithoutExtension();
            extension.ToLower();
            leaf.ToLower();
            wildCard = extension == GString("lng") && leaf.Find(GString("wc"), 0) == 0;
        }
    }
    if (!wildCard)
    {
        ReadStringFiles(folder, prefix, minVersion, maxVersion, versionLength);
        return;
    }
    ReadStringFiles(folder, prefix, minVersion, maxVersion, versionLength, GString::cEmptyString);
    ReadStringFiles(folder, GString("WC"), minVersion, maxVersion, versionLength, GString::cEmptyString);
}

void GStringPoolSupport::ReadDefaultStringFile(GString const& language)
{
    if (sLNGFolder.IsEmpty())
        return;
    ReadStringFiles(sLNGFolder, sPrefix, sMinVersion, sMaxVersion, sVersionLength, language);
}

bool GStringPoolSupport::GetDefaultStringFileParams(GPathName& folder, GString& prefix, int& minVersion,
                                                    int& maxVersion, int& versionLength)
{
    if (!sDefaultStringFileParamsSet)
        return false;
    folder = sLNGFolder;
    prefix = sPrefix;
    minVersion = sMinVersion;
    maxVersion = sMaxVersion;
    versionLength = sVersionLength;
    return true;
}

void GStringPoolSupport::GetDefaultAvailableLanguages(GTable<GString>& out)
{
    out.Resize(0);
    if (!sDefaultStringFileParamsSet || !GFileSystem::TryFolderExists(sLNGFolder))
        return;
    GLanguageInfoCache* cache = GLanguageInfoCache::GetInstance();
    if (!cache)
        return;
    for (GFileSystemIterator it(sLNGFolder, 1, 0); it != GFileSystemIterator::cEnd; ++it)
    {
        if (!IsStringFile(*it, sPrefix, sMinVersion, sMaxVersion, sVersionLength, GString::cEmptyString))
            continue;
        if (GLanguageInfo const* info = cache->AddLanguageInfo(*it))
        {
            if (!info->GetLanguageID().IsEmpty())
                out.AddItem(info->GetLanguageID());
        }
    }
}

bool GStringPoolSupport::GetBestMatchingDefaultAvailableLanguageForLocales(GTable<GString> const& locales,
                                                                           GString& out)
{
    GTable<GString> available;
    GetDefaultAvailableLanguages(available);
    bool hasEnglish = false;
    for (int i = 0; i < available.GetCount() && !hasEnglish; ++i)
        hasEnglish = available[i] == GStringPool::cEnglish;
    if (!hasEnglish)
        available.InsertItemAt(0, GStringPool::cEnglish);

    for (int l = 0; l < locales.GetCount(); ++l)
    {
        GString locale(locales[l]);
        locale.ToLower();
        GString localeStart = locale.GetSubstring(0, 2);
        int partial = -1;
        int exact = -1;
        for (int i = 0; i < available.GetCount() && exact < 0; ++i)
        {
            GString tag = ToIETF(available[i]);
            tag.ToLower();
            if (tag == locale)
                exact = i;
            else if (partial < 0 && tag.GetSubstring(0, 2) == localeStart)
                partial = i;
        }
        int match = exact >= 0 ? exact : partial;
        if (match >= 0)
        {
            out = available[match];
            return true;
        }
    }
    return false;
}

GString GStringPoolSupport::ToIETF(GString const& language)
{
    if (language == GString("zhCN"))
        return GString("zh-Hans");
    if (language == GString("zhTW"))
        return GString("zh-Hant");
    if (language == GString("jaJA"))
        return GString("ja-JP");
    GString tag(language);
    tag.Insert(2, GString("-"));
    return tag;
}

bool GStringPoolSupport::CompareStringData(SortElement const& a, SortElement const& b)
{
    if (a.fEncoding != b.fEncoding)
        return std::less<GEncoding*>()(a.fEncoding, b.fEncoding);
    return a.fID < b.fID;
}

void GStringPoolSupport::WriteStringFiles(GPathName const& folder)
{
    GStringPool::ForEachTable([&folder](GString const& language, GStringPoolTable const* table) {
        std::vector<SortElement> rows;
        rows.reserve(std::size_t(table->GetCount()));
        table->ForEachEntry([&rows](std::int32_t id, GStringPoolTable::Entry const& entry) {
            rows.push_back(SortElement{entry.second, id, entry.first});
        });
        if (rows.empty())
            return;
        std::sort(rows.begin(), rows.end(), CompareStringData);
        GBuffer languageBytes;
        language.GetBuffer(languageBytes, GASCIIEncoding::GetInstance());
        GString languageText(languageBytes, GASCIIEncoding::GetInstance(), true);
        int fileNumber = 0;
        for (std::size_t first = 0; first < rows.size(); ++fileNumber)
        {
            GEncoding* encoding = rows[first].fEncoding;
            GPathName path = folder / GPathName(sProductPrefix + GString("__StringFile_") + languageText +
                                                GString("_") + GString(fileNumber) + GString(".lng"));
            GEncoding* written = encoding;
            if (!written || written == static_cast<GEncoding*>(GShiftJISEncoding::GetInstance()))
                written = GUnicodeEncoding::GetInstance();
            GFileOutStream file(path, true);
            GText2BinStream text(file, written);
            GString header = GString("StringTable ") + languageText + GString(" ");
            if (encoding)
                header += GString(encoding->GetASCIIDescription(), GASCIIEncoding::GetInstance(), true);
            else
                header += GString("Unknown");
            text.Write(header);
            text.WriteEOL();
            std::size_t end = first;
            for (; end < rows.size() && rows[end].fEncoding == encoding; ++end)
            {
                text.Write("\tString\t");
                text.Write(GString(int(rows[end].fID)));
                text.Write(",\t");
                text.WriteQuotedString(rows[end].fText);
                text.WriteEOL();
            }
            text.Write("EndStringTable");
            text.WriteEOL();
            file.Flush();
            first = end;
        }
    });
}

bool GStringPoolSupport::NeedToWriteStringFiles(GPathName& markerPath)
{
    GPathName application = GFileSystem::GetSpecialPath(-5);
    GString folder = application.GetBranch().GetCrossPlatformString();
    int bundle = folder.Find(GString(".app/"), 1);
    GPathName base;
    if (bundle > 0)
        base = GPathName(folder.GetSubstring(0, bundle + 4)).GetBranch();
    else
        base = application.GetBranch();
    markerPath = base / GPathName("ZolvaneStringFiles.prefs");
    return GFileSystem::TryFileExists(markerPath);
}

void GStringPoolSupport::WriteStringFiles(GString const& label)
{
    GPathName marker;
    try
    {
        if (!NeedToWriteStringFiles(marker))
            return;
        GPrefFileModule prefs(marker, GUnicodeEncoding::GetInstance());
        GBuffer const group("General");
        GBuffer const key("OutputFolder");
        GPathName output;
        GString const& stored = prefs.Get(group, key);
        if (stored.IsEmpty())
        {
            output = marker.GetBranch();
            prefs.Set(group, key, output.GetCrossPlatformString());
            try
            {
                prefs.FlushPrefs();
            }
            catch (GException const&) // the dump does not depend on remembering the folder
            {
            }
        }
        else
            output.SetCrossPlatformString(stored);

        GDateTime now(true);
        GBuffer const two("%02.f");
        GBuffer const four("%04.f");
        GString name = GString("strings from run ") + label + GString(" UTC_") + GString(double(now.GetDay()), two) +
                       GString(double(now.GetMonth()), two) + GString(double(now.GetYear()), four) +
                       GString("_") + GString(double(now.GetHour()), two) + GString(double(now.GetMinute()), two) +
                       GString("_");
        GProcessInfo* processes = GProcessInfo::GetInstance();
        name += GString(processes ? processes->GetCurrentProcessID() : 0);
        WriteStringFiles(output / GPathName("StringFiles") / GPathName(name));
    }
    catch (GSimpleException const&) // a dump that cannot be made is simply not made
    {
    }
}
