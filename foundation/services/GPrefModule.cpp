// The store of a preference module by group and key, its transactions, and the preference text that
// every module reads and writes.
#include "GPrefModule.h"

#include "GASCIIEncoding.h"
#include "GDictBufferReader.h"
#include "GDictUtil.h"
#include "GException.h"
#include "GExceptionLocation.h"
#include "GFileOutStream.h"
#include "GFileSystem.h"
#include "GPathName.h"
#include "GSimpleException.h"
#include "GText2BinStream.h"

namespace
{
// "Problem during rename".
constexpr int cRenameFailedID = 40023;
// "I/O error".
constexpr int cReadFailedID = 40003;
// How many names the temporary file tries before the write gives up: each one is taken only while
// another process writes the same file.
constexpr int cTemporaryNames = 8;

using Reader = GDictBufferReader<GBuffer, GString>;

// Gathers the many small pieces of the text writer into blocks for the file: one write per block,
// and one block of memory however large the text.
class BlockSink : public GOutStream
{
public:
    explicit BlockSink(GOutStream& target) : fTarget(target) { fBlock.Allocate(cBlockSize); }

    int Write(GBuffer const& bytes) override
    {
        if (fBlock.GetLength() + bytes.GetLength() > cBlockSize)
            Flush();
        if (bytes.GetLength() >= cBlockSize)
            return fTarget.Write(bytes);
        fBlock += bytes;
        return bytes.GetLength();
    }
    void Flush() override
    {
        if (fBlock.GetLength() == 0)
            return;
        fTarget.Write(fBlock);
        fBlock.SetLength(0);
    }

private:
    static constexpr int cBlockSize = 1 << 16;

    GOutStream& fTarget;
    GBuffer fBlock;
};

// Opens a new temporary file beside target, ".<leaf>.tmp" (then ".tmp1" and on), for writing under
// its exclusive lock; a name whose file another writer holds is passed over.
GAutoPtr<GFileOutStream> OpenTemporary(GPathName const& target, GPathName& temporary)
{
    GString const prefix = GString(".") + target.GetLeaf() + GString(".tmp");
    for (int attempt = 0;; ++attempt)
    {
        temporary = target.GetBranch() / (attempt == 0 ? prefix : prefix + GString(attempt));
        try
        {
            return GAutoPtr<GFileOutStream>(new GFileOutStream(temporary, true));
        }
        catch (GException const&) // the next name, unless this was the last one to try
        {
            if (attempt + 1 == cTemporaryNames)
                throw;
        }
    }
}

// Gives the new file the old one's owner and group where the process may (the superuser may give
// away what it writes; a user may set a group of its own); where it may not, the file stays the
// writer's, as any file it makes.
void KeepOwnerAndGroup(GPathName const& old, GPathName const& replacement)
{
    try
    {
        int owner = -1;
        int group = -1;
        GFileSystem::GetOwnerAndGroup(old, owner, group);
        GFileSystem::SetOwnerAndGroup(replacement, owner, group);
    }
    catch (GException const&) // refused: the replacement is the writer's own
    {
    }
}
} // namespace

GPrefModule::GPrefModule()
    : fTempDepth(0), fKeep(false), fDirty(false), fSavedDirty(false), fReadIncomplete(false),
      fReadFailed(false)
{
}

GPrefModule::~GPrefModule() = default;

GString const& GPrefModule::GetBeginPhrase()
{
    static GString const phrase("#BEGINPREFS");
    return phrase;
}

GString const& GPrefModule::GetEndPhrase()
{
    static GString const phrase("#ENDPREFS");
    return phrase;
}

GString const& GPrefModule::Get(GBuffer const& group, GBuffer const& key) const
{
    if (GroupPrefs const* prefs = fPrefs.Find(group))
    {
        if (GString const* value = prefs->Find(key))
            return *value;
    }
    return GString::cEmptyString;
}

void GPrefModule::Set(GBuffer const& group, GBuffer const& key, GString const& value)
{
    fDirty = true;
    GroupPrefs* prefs = fPrefs.Find(group);
    if (!prefs)
    {
        fPrefs.Put(group, GroupPrefs());
        prefs = fPrefs.Find(group);
    }
    prefs->Put(key, value);
}

bool GPrefModule::Has(GBuffer const& group, GBuffer const& key) const
{
    GroupPrefs const* prefs = fPrefs.Find(group);
    return prefs && prefs->Contains(key);
}

void GPrefModule::FlushPrefs()
{
    WriteDict();
}

void GPrefModule::Refresh()
{
    ReadDict();
}

void GPrefModule::StartUsingTempModule()
{
    if (fTempDepth == 0)
    {
        fBackup.Reset(new Prefs(fPrefs), true);
        fSavedDirty = fDirty;
        fKeep = false;
    }
    ++fTempDepth;
}

bool GPrefModule::IsDirty() const
{
    return fDirty;
}

void GPrefModule::SetDirty(bool dirty)
{
    fDirty = dirty;
}

void GPrefModule::EndUsingTempModule(bool keep)
{
    if (fTempDepth == 0)
        return;
    fKeep = fKeep || keep;
    if (--fTempDepth > 0)
        return;
    if (!fKeep && fBackup.Get())
    {
        fPrefs = std::move(*fBackup);
        fDirty = fSavedDirty;
    }
    fBackup.Reset(nullptr, false);
}

void GPrefModule::SetIgnoreTemp(GBuffer const& group, GBuffer const& key, GString const& value)
{
    Set(group, key, value);
    if (fTempDepth == 0 || !fBackup.Get())
        return;
    GroupPrefs* prefs = fBackup->Find(group);
    if (!prefs)
    {
        fBackup->Put(group, GroupPrefs());
        prefs = fBackup->Find(group);
    }
    prefs->Put(key, value);
    fSavedDirty = true;
}

void GPrefModule::RemoveGroup(GBuffer const& group)
{
    fDirty = true;
    fPrefs.Remove(group);
}

void GPrefModule::SetEncoding(GEncoding const* encoding)
{
    fEncoding = encoding;
}

GEncoding* GPrefModule::GetEncoding() const
{
    // The text streams take the shared encoding singletons as changeable objects.
    return const_cast<GEncoding*>(fEncoding.Get());
}

void GPrefModule::GetGroupNames(GTable<GBuffer>& names) const
{
    fPrefs.ForEach([&names](GBuffer const& group, GroupPrefs const&) { names.AddItem(group); });
}

void GPrefModule::GetGroupPreferences(GBuffer const& group, GTable<GBuffer>& keys) const
{
    if (GroupPrefs const* prefs = fPrefs.Find(group))
        prefs->ForEach([&keys](GBuffer const& key, GString const&) { keys.AddItem(key); });
}

void GPrefModule::GetGroupPreferences(GBuffer const& group, GDict<GBuffer, GString>& values) const
{
    values.RemoveAll();
    if (GroupPrefs const* prefs = fPrefs.Find(group))
        values = *prefs;
}

void GPrefModule::Remove(GBuffer const& group, GBuffer const& key)
{
    fDirty = true;
    if (GroupPrefs* prefs = fPrefs.Find(group))
        prefs->Remove(key);
}

void GPrefModule::UpdateWith(GPrefModule const* other)
{
    if (!other || other == this)
        return;
    other->fPrefs.ForEach(
        [this](GBuffer const& group, GroupPrefs const& prefs) {
            prefs.ForEach([this, &group](GBuffer const& key, GString const& value)
                          { Set(group, key, value); });
        });
}

void GPrefModule::GetPrefsDataToStream(GOutStream& out, GEncoding* encoding) const
{
    GText2BinStream writer(out, encoding);
    writer.Write(GetBeginPhrase());
    writer.WriteEOL();
    GASCIIEncoding const* ascii = GASCIIEncoding::GetInstance();
    Prefs::ConstEnumerator groups(fPrefs);
    while (groups.Next())
    {
        if (groups.GetValue().GetCount() == 0)
            continue;
        writer.WriteEOL();
        writer.WriteQuotedString(GString(groups.GetKey(), ascii, true));
        writer.WriteEOL();
        groups.GetValue().WriteTo(writer);
    }
    writer.WriteEOL();
    writer.Write(GetEndPhrase());
    writer.WriteEOL();
}

bool GPrefModule::ReadPrefsText(GBuffer const& bytes, GEncoding* encoding)
{
    fReadIncomplete = true;
    Reader reader(fPrefs, GetBeginPhrase(), GetEndPhrase());
    bool const result = reader.ReadDict(bytes, encoding);
    fReadIncomplete = !reader.IsComplete();
    return result;
}

void GPrefModule::ReadPrefsFile(GPathName const& path, GEncoding* encoding)
{
    fReadIncomplete = true;
    fReadFailed = true;
    Reader reader(fPrefs, GetBeginPhrase(), GetEndPhrase());
    reader.ReadDict(path, encoding);
    fReadIncomplete = !reader.IsComplete();
    fReadFailed = false;
}

void GPrefModule::GetBackupPathName(GPathName const& path, GPathName& backup)
{
    backup = path.GetBranch() / (path.GetLeaf() + GString(".backup"));
}

void GPrefModule::WritePrefsFile(GPathName const& path)
{
    // A read that failed, if only for a moment (another process writing the file just then), left
    // next to nothing of the file in the store: written now, the store would replace the file by
    // that. The file stays as it is until a read goes through.
    if (fReadFailed)
    {
        GExceptionLocation const location(path);
        throw GSimpleException(cReadFailedID);
    }
    // A link stays a link: the file it names is the one replaced.
    GPathName target = path;
    GPathName linked;
    if (GFileSystem::TryFileExists(path) && GFileSystem::IsAlias(path) &&
        GFileSystem::GetAliasTarget(path, linked))
        target = linked;

    bool const exists = GFileSystem::TryFileExists(target);
    if (exists && fReadIncomplete)
    {
        GPathName backup;
        GetBackupPathName(target, backup);
        GFileSystem::CopyAndRenameFile(target, backup, true, false);
    }

    GPathName temporary;
    GAutoPtr<GFileOutStream> out = OpenTemporary(target, temporary);
    try
    {
        BlockSink sink(*out);
        GetPrefsDataToStream(sink, GetEncoding());
        sink.Flush();
        out->GetFile()->SyncToDisk();
        if (exists)
        {
            KeepOwnerAndGroup(target, temporary);
            GFileSystem::CopyPermissions(target, temporary);
        }
        // Renamed while still open and locked: no other writer can take the name in between.
        if (!GFileSystem::ReplaceItem(target, temporary))
            throw GSimpleException(cRenameFailedID);
    }
    catch (...) // the temporary file goes; the old file stays as it was
    {
        out.Reset(nullptr, false);
        GFileSystem::TryToRemoveFile(temporary);
        throw;
    }
    out.Reset(nullptr, false);
    fDirty = false;
    fReadIncomplete = false;
}
