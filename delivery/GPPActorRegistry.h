// GPPActorRegistry: the registry of Sendrixors, a preference file that the Sendrixor applications
// and the plug-in share. Each Sendrixor is one preference of the group "RozorazIzivozadaRegistry"
// whose value is the text of a string dictionary with its record; every change is read, made and
// written under the file's exclusive lock, so that no other process's change in between is lost.
#pragma once

#include "GAutoPtr.h"
#include "GBuffer.h"
#include "GDict.h"
#include "GPrefSharedFileModule.h"
#include "GString.h"
#include "GTable.h"

class GDateTime;
class GPPSettings;

class GPPActorRegistry
{
public:
    // Opens the registry file, making its folder when missing.
    GPPActorRegistry();
    ~GPPActorRegistry();
    GPPActorRegistry(GPPActorRegistry const&) = delete;
    GPPActorRegistry& operator=(GPPActorRegistry const&) = delete;

    // A new record under a new unique key. Always true.
    bool Register(GString const& name, GPPSettings const& settings);
    // Rewrites the record's nine keys (its other keys stay) in the first record of the name;
    // whether there was one.
    bool Update(GString const& name, GPPSettings const& settings);
    // Removes the first record of the name; whether there was one.
    bool UnRegister(GString const& name);
    // The names of the records, in the file's order (a record without "ActorName" by its key);
    // false when there are none.
    bool GetActorList(GTable<GString>& names);
    bool GetActor(GString const& name, GPPSettings& settings);
    // The first record whose context file path has the GUID.
    bool GetActorByID(GString const& guid, GString& name, GPPSettings& settings);
    // Removes every record.
    void CleanUp();
    void GetAllowedOrigins(GTable<GString>& origins);
    void SetAllowedOrigins(GTable<GString> const& origins);

    // The file's modification time; date is left as it was when there is no file.
    static void GetModificationDateTime(GDateTime& date);
    // <special folder 35>/"Rozoraz Izivozada"/"ZolvaneRozorazIzivozada.prefs".
    static GPathName GetRegistryPath();

    GPrefSharedFileModule& GetModule() { return *fModule; }

private:
    using Record = GDict<GBuffer, GString>;

    // The key of the first record of the name, with its parsed value unless parse is false (a
    // key-matched record is then taken whatever its value); false when there is none.
    bool FindRecord(GString const& name, bool parse, GBuffer& key, Record& record) const;
    static void ReadRecord(Record const& record, GPPSettings& settings);
    static void WriteRecord(GString const& name, GPPSettings const& settings, Record& record);
    void Store(GBuffer const& key, Record const& record);

    GAutoPtr<GPrefSharedFileModule> fModule;
};
