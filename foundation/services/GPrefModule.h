// One store of preferences: text values by group and key with a dirty flag and a nested temporary
// transaction that can be rolled back. The kinds of module differ only in where ReadDict loads the
// store from and WriteDict saves it to; all of them read and write the same preference text:
//
//     #BEGINPREFS
//
//     "General"
//     #BEGINDICT
//     "UnitV3" "cm"
//     #ENDDICT
//
//     #ENDPREFS
//
// each line ended by the platform's line end (one carriage return), groups without keys left out.
#pragma once

#include "GAutoPtr.h"
#include "GBuffer.h"
#include "GDict.h"
#include "GSettingsInterface.h"
#include "GSharedObject.h"
#include "GString.h"
#include "GTable.h"

class GEncoding;
class GOutStream;
class GPathName;

class GPrefModule : public GSettingsInterface
{
public:
    GPrefModule();
    ~GPrefModule() override;
    GPrefModule(GPrefModule const&) = delete;
    GPrefModule& operator=(GPrefModule const&) = delete;

    GString const& Get(GBuffer const& group, GBuffer const& key) const override;
    // Marks the module dirty, also when the value stored equals the old one.
    void Set(GBuffer const& group, GBuffer const& key, GString const& value) override;
    bool Has(GBuffer const& group, GBuffer const& key) const override;
    virtual void FlushPrefs();
    virtual void Refresh();

    // Transactions nest: only the outermost start takes a copy of the store, and only the outermost
    // end acts. The changes are rolled back (dirty flag included) unless an end of the transaction
    // passed true. An end without a start is ignored.
    virtual void StartUsingTempModule();
    virtual bool IsDirty() const;
    virtual void SetDirty(bool dirty);
    virtual void EndUsingTempModule(bool keep);
    // As Set, and the value survives a rollback of the open transaction.
    virtual void SetIgnoreTemp(GBuffer const& group, GBuffer const& key, GString const& value);
    virtual void RemoveGroup(GBuffer const& group);
    // The encoding of the module's file; file modules read and write in it.
    virtual void SetEncoding(GEncoding const* encoding);
    // Appends the group names, in the store's order; the table is not emptied first.
    virtual void GetGroupNames(GTable<GBuffer>& names) const;
    // Appends the key names of the group; nothing for a missing group.
    virtual void GetGroupPreferences(GBuffer const& group, GTable<GBuffer>& keys) const;
    // Empties values, then copies the group's keys and values into it.
    virtual void GetGroupPreferences(GBuffer const& group, GDict<GBuffer, GString>& values) const;
    // Marks the module dirty even when the key is missing; an emptied group stays (and is not
    // written).
    virtual void Remove(GBuffer const& group, GBuffer const& key);
    // Sets every value of other into this module.
    virtual void UpdateWith(GPrefModule const* other);

    // Load the store, replacing whatever the module holds, and clear the dirty flag.
    virtual void ReadDict() = 0;
    // Save the store when the module is dirty, then clear the flag; a failure leaves it set.
    virtual void WriteDict() = 0;

    // The preference text of the store in the encoding; the Unicode encoding begins it with FF FE.
    void GetPrefsDataToStream(GOutStream& out, GEncoding* encoding) const;
    GEncoding* GetEncoding() const;
    // Whether the last read of the module's text stopped at damage and dropped what followed it.
    bool WasReadIncomplete() const { return fReadIncomplete; }

    // "#BEGINPREFS" and "#ENDPREFS".
    static GString const& GetBeginPhrase();
    static GString const& GetEndPhrase();
    // Where the original of an incompletely read file is kept: beside it, its name with ".backup"
    // added.
    static void GetBackupPathName(GPathName const& path, GPathName& backup);

protected:
    using GroupPrefs = GDict<GBuffer, GString>;
    using Prefs = GDict<GBuffer, GroupPrefs>;

    // Parses preference text into the store (emptied first) and remembers whether it was read
    // whole. A null encoding is taken from the text's byte-order mark.
    bool ReadPrefsText(GBuffer const& bytes, GEncoding* encoding);
    // The same from a file; a missing file reads as an empty store. Failures to open or read it
    // throw, and the read counts as incomplete and failed (until a later read goes through).
    void ReadPrefsFile(GPathName const& path, GEncoding* encoding);
    // Writes the store into a new file in the file's folder, flushes it to the disk, gives it the old
    // file's permissions, owner and group (where the process may set them) and renames it over the
    // old file keeping the old file's extended attributes (the Finder information and the lock), so
    // that the file is always either the old or the new one, whole. When the last read was
    // incomplete, the old file is first copied beside it (GetBackupPathName) so that what could not
    // be read is not lost. When the last read failed, nothing is written: the store would replace the
    // file with next to nothing of it, so the write throws 40003 until a read goes through. Clears
    // the dirty flag; a failure throws and leaves the old file and the flag as they were.
    void WritePrefsFile(GPathName const& path);

    int fTempDepth;
    bool fKeep;
    GAutoPtr<GDict<GBuffer, GDict<GBuffer, GString>>> fBackup;
    bool fDirty;
    bool fSavedDirty;
    // Group name to the group's key names and values; names are bytes, compared exactly.
    Prefs fPrefs;
    GSharedObject<GEncoding const> fEncoding;
    bool fReadIncomplete;
    // Whether the last read of the module's file failed (could not open or read it): the store holds
    // what was read before the failure, next to nothing of the file.
    bool fReadFailed;
};
