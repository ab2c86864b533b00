// The diagnostic log: its settings file, the choice of its log file and the lines written to it.
#include "GTrace.h"

#include "GBufferedInStreamDecorator.h"
#include "GDateTime.h"
#include "GDictBufferReader.h"
#include "GException.h"
#include "GExceptionLocation.h"
#include "GFileInStream.h"
#include "GFileOutStream.h"
#include "GFileSystem.h"
#include "GInStream.h"
#include "GPlatformEncoding.h"
#include "PSystem.h"

GTrace* GTrace::sInstance = nullptr;

namespace
{
// The preference text: begin phrase, sections, end phrase.
using SettingsReader = GDictBufferReader<GBuffer, GString>;
using Section = GDict<GBuffer, GString>;
using Sections = GDict<GBuffer, Section>;

// Write, create (with a missing folder), empty, never through a link at the path itself.
constexpr int cLogOpenMode = PUNIXFileImp::cWrite | PUNIXFileImp::cCreate | PUNIXFileImp::cTruncate |
                             PUNIXFileImp::cNoFollow;
constexpr int cMaxLogCounter = 11;
// The permission classes of everyone but the owner.
constexpr int cGroupAndOthers = 2 | 4;

GString const* Lookup(Section const& section, char const* key)
{
    // Key names are compared as the bytes of the name in the platform encoding.
    GBuffer name;
    GString(key).GetBuffer(name, GPlatformEncoding::GetInstance());
    return section.Find(name);
}

GBuffer LeafName()
{
    GPathName code = GFileSystem::GetSpecialPath(-6);
    GBuffer leaf;
    code.GetLeafWithoutExtension().GetBuffer(leaf, GPlatformEncoding::GetInstance());
    return leaf;
}

GPathName InDebugFolder(GBuffer const& leaf, char const* extension)
{
    GPathName folder;
    GFileSystem::GetDebugFolder(folder);
    return folder / GPathName(GString(leaf + GBuffer(extension), GPlatformEncoding::GetInstance(), false));
}
} // namespace

GTrace::GTrace() : fIndent(" "), fPrefix(" *** ")
{
    fTrueWords[0] = GString("1");
    fTrueWords[1] = GString("TRUE");
    fFalseWords[0] = GString("0");
    fFalseWords[1] = GString("FALSE");
    ReadSettings();
}

GTrace::GTrace(GAutoPtr<GOutStream, GDeletePtr> const& stream) : GTrace()
{
    fStream = stream;
}

GTrace::~GTrace() = default;

void GTrace::SetInstance(GTrace* trace)
{
    if (sInstance != trace)
        delete sInstance;
    sInstance = trace;
}

GPathName GTrace::GetSettingsPath()
{
    return InDebugFolder(LeafName(), ".tpr");
}

void GTrace::ReadSettings()
{
    GPathName path = GetSettingsPath();
    // Any local user can make the debug folder under "/tmp" and put settings there that turn the log
    // on, or a file that cannot be read: settings count only from a folder of the user's own that no
    // one else can write into.
    if (!GFileSystem::IsPrivateFolder(path.GetBranch()) || !GFileSystem::TryFileExists(path))
        return;
    Sections sections;
    try
    {
        GFileInStream file(path);
        GBufferedInStreamDecorator buffered(file, 1024);
        SettingsReader reader(sections, GString("#BEGINPREFS"), GString("#ENDPREFS"));
        reader.ReadDict(buffered, nullptr);
    }
    catch (GException const&) // settings that cannot be read leave tracing off; the program goes on
    {
        return;
    }

    auto applyBool = [this](Section const& section, char const* key, bool& value) {
        GString const* text = Lookup(section, key);
        if (!text || text->IsEmpty())
            return;
        GString upper(*text);
        upper.ToUpper();
        if (upper == fTrueWords[0] || upper == fTrueWords[1])
            value = true;
        else if (upper == fFalseWords[0] || upper == fFalseWords[1])
            value = false;
    };
    auto applyBytes = [](Section const& section, char const* key, GBuffer& value) {
        GString const* text = Lookup(section, key);
        if (text && !text->IsEmpty())
            text->GetBuffer(value, GPlatformEncoding::GetInstance());
    };

    GBuffer const defaultsName("Defaults");
    if (Section const* defaults = sections.Find(defaultsName))
    {
        applyBool(*defaults, "Log", fLog);
        applyBool(*defaults, "LogAssert", fLogAssert);
        applyBool(*defaults, "LogDetail", fLogDetail);
        applyBool(*defaults, "AssertOnLog", fAssertOnLog);
        applyBool(*defaults, "AssertOnAssert", fAssertOnAssert);
        applyBool(*defaults, "AssertOnDetail", fAssertOnDetail);
        applyBytes(*defaults, "Indent", fIndent);
        applyBytes(*defaults, "Prefix", fPrefix);
        applyBool(*defaults, "LogLocation", fLogLocation);
        applyBool(*defaults, "LogTime", fLogTime);
        applyBool(*defaults, "AlwaysUseNewFile", fAlwaysUseNewFile);
        sections.Remove(defaultsName);
    }
    sections.ForEach([&](GBuffer const& name, Section const& section) {
        bool log = fLog;
        bool alert = fAssertOnLog;
        if (GetCatType(name) == cAssertCategory)
        {
            log = fLogAssert;
            alert = fAssertOnAssert;
        }
        else if (GetCatType(name) == cDetailCategory)
        {
            log = fLogDetail;
            alert = fAssertOnDetail;
        }
        applyBool(section, "Log", log);
        applyBool(section, "Assert", alert);
        fCategories.Put(name, (log ? 1 : 0) | (alert ? 2 : 0));
    });
}

int GTrace::GetCatType(GBuffer const& category)
{
    int length = category.GetLength();
    if (length < 2)
        return cLogCategory;
    unsigned char const* end = category.GetPtr() + length - 2;
    if (end[0] == 'A' && end[1] == 'S')
        return cAssertCategory;
    if (end[0] == 'D' && end[1] == 'E')
        return cDetailCategory;
    return cLogCategory;
}

bool GTrace::GetNeedsLogging(GBuffer const& category) const
{
    if (std::int32_t const* flags = fCategories.Find(category))
        return (*flags & 1) != 0;
    switch (GetCatType(category))
    {
    case cAssertCategory:
        return fLogAssert;
    case cDetailCategory:
        return fLogDetail;
    default:
        return fLog;
    }
}

bool GTrace::GetAlertOnLog(GBuffer const& category) const
{
    if (std::int32_t const* flags = fCategories.Find(category))
        return (*flags & 2) != 0;
    switch (GetCatType(category))
    {
    case cAssertCategory:
        return fAssertOnAssert;
    case cDetailCategory:
        return fAssertOnDetail;
    default:
        return fAssertOnLog;
    }
}

void GTrace::TraceAssert(char const* text, GCodeLocation const& location)
{
    if (sInstance)
        sInstance->Trace(GBuffer("AssertAS"), location, text);
}

void GTrace::ComposeLocation(GCodeLocation const& location, GBuffer& out)
{
    if (location.fFile)
    {
        GBuffer file(location.fFile);
        int separator = file.FindLastOccurrence(static_cast<unsigned char>(PSystem::GetPathSeparator()),
                                                file.GetLength() - 1);
        out += separator >= 0 ? file.GetSubBuffer(separator + 1, file.GetLength() - separator - 1) : file;
    }
    out += GBuffer(":");
    out += GBuffer(location.fLine);
    if (location.fFunction)
    {
        out += GBuffer("@");
        out += GBuffer(location.fFunction);
    }
}

GOutStream* GTrace::GetStream()
{
    if (fStream.IsNull())
        OpenLogFile();
    return fStream.Get();
}

void GTrace::OpenLogFile()
{
    GBuffer const leaf = LeafName();
    GPathName const plain = InDebugFolder(leaf, ".tra");
    // The log goes only into a folder that no one else can write into, so that nobody can have
    // put a link there to a file of ours; otherwise nothing is written.
    GPathName const folder = plain.GetBranch();
    // A folder made here is the user's own and closed to everyone else at once.
    if (!GFileSystem::TryFolderExists(folder) && GFileSystem::CreateFolder(folder))
        GFileSystem::SetPermissions(folder, cGroupAndOthers, false, false, false);
    if (!GFileSystem::IsPrivateFolder(folder))
        return;

    auto numbered = [&](int counter) {
        return InDebugFolder(leaf + GBuffer(" (") + GBuffer(counter) + GBuffer(")"), ".tra");
    };
    GPathName path = plain;
    int counter = 0;
    bool forced = false;
    for (;;)
    {
        bool const exists = GFileSystem::TryFileExists(path);
        if (exists && (fAlwaysUseNewFile || forced || GFileSystem::FileInUse(path)))
        {
            path = numbered(counter);
            if (GFileSystem::TryFileExists(path) && GFileSystem::FileInUse(path))
            {
                ++counter;
                continue;
            }
        }
        try
        {
            GExceptionLocation context(path);
            GAutoPtr<GFileOutStream::File, GDeletePtr> file(new GFileOutStream::File(path, false));
            file->OpenWith(cLogOpenMode);
            fStream.Reset(new GFileOutStream(file));
            return;
        }
        catch (GException const&) // retried under another name up to the limit
        {
            if (counter >= cMaxLogCounter)
                throw;
            forced = true;
            ++counter;
        }
    }
}

void GTrace::TraceSelf(GBuffer const& category, GCodeLocation const& location, GBuffer const& message)
{
    GOutStream* stream = GetStream();
    if (!stream)
        return;
    GBuffer line("\n");
    for (int level = fDepth.load(); level > 0; --level)
        line += fIndent;
    line += fPrefix;
    line += category;
    line += GBuffer(" ");
    if (fLogLocation)
    {
        ComposeLocation(location, line);
        line += GBuffer(" ");
    }
    if (fLogTime)
    {
        GString time;
        GDateTime(true).GetTimeAsString(time, false, GString::cEmptyString);
        line += time.GetBuffer(GPlatformEncoding::GetInstance());
        line += GBuffer(" ");
    }
    line += message;
    stream->Write(line);
    stream->Flush();
}

void GTrace::TraceStreamData(GInStream* stream, int count)
{
    Busy busy(*this);
    if (!busy.fOutermost || !fLastDecision.load() || !stream)
        return;
    GAutoPtr<GInStream> clone(stream->CreateClone());
    if (clone.IsNull())
        return;
    GOutStream* log = GetStream();
    if (!log)
        return;
    GBuffer data;
    int read = clone->Read(data, count);
    if (read > 0)
    {
        data.SetLength(read);
        log->Write(data);
        log->Flush();
    }
}
