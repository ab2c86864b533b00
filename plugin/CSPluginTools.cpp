// The plug-in's access to the Sendrixors: the registry of Sendrixors and each Sendrixor's archive.
#include "CSPluginTools.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdlib>

#include "GBuffer.h"
#include "GCPTSmartPathName.h"
#include "GFileSystem.h"
#include "GPPActorRegistry.h"
#include "GPPJobInfo.h"
#include "GPPJobNotifier.h"
#include "GPPSettings.h"
#include "GPrefMemoryModule.h"
#include "GQStringSupport.h"
#include "GStringSupport.h"
#include "PSystem.h"
#include "ZipArchive.h"

char const* const CSPluginTools::kPrinterFilesString = "PrinterFiles/";
// A Sendrixor writes its archive with the same password; only its scrambled form is kept here.
char const* const CSPluginTools::kScrambledZipPassword = "0f3d33fe183b453731fef7f9f7f6>";
char const* const CSPluginTools::kJobPortName = "10987";

namespace
{
char const* const cProjectPrefsEntry = "Project/Project.prefs";

// Descrambled just before each opening, so that the plain password lives only for one walk.
QString ArchivePassword()
{
    return GQStringSupport::ToQString(
        GStringSupport::DeScramble(GString(CSPluginTools::kScrambledZipPassword)));
}

QString FileSystemText(GPathName const& path)
{
    return GQStringSupport::ToQString(path.GetMachOPathString());
}

// A new folder of its own in the temporary folder, for one extraction, handed to the extraction
// path at once. It receives the Sendrixor's job options, which are no one else's to read: mkdtemp
// makes it for the user alone (0700) under a random name, where a counted name could be taken or
// watched for beforehand. False, with nothing made, when it cannot be made.
bool NewExtractionFolder(GCPTSmartPathName& extraction, GPathName& folder)
{
    GPathName pattern = GFileSystem::GetSpecialPath(-2);
    pattern.Append(GString("Sendrix-XXXXXX"));
    QByteArray name = QFile::encodeName(FileSystemText(pattern));
    if (!mkdtemp(name.data()))
    {
        extraction.SetPath(GPathName());
        return false;
    }
    folder.SetMachOPathString(GQStringSupport::ToGString(QFile::decodeName(name), false));
    extraction.SetPath(folder);
    return true;
}

// Where the archive put an extracted entry: its name is a relative path whose parts the archive may
// have separated with backslashes.
GPathName ExtractedPath(GPathName const& folder, QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    GPathName relative;
    relative.SetMachOPathString(GQStringSupport::ToGString(name, false));
    return folder / relative;
}

bool IsJobOptionsEntry(Zolvane::ZipArchive const& archive)
{
    // A folder entry of that name holds no job options.
    return archive.GetCurrentFileName().contains(QLatin1String(CSPluginTools::kPrinterFilesString)) &&
           !archive.IsCurrentFolder();
}
} // namespace

bool CSPluginTools::FindSendrixor(GString const& name, GPPSettings& settings)
{
    if (name.IsEmpty())
        return false;
    return GPPActorRegistry().GetActor(name, settings);
}

bool CSPluginTools::GetPluginSendrixors(GTable<GString>& names)
{
    names.Resize(0);
    GPPActorRegistry registry;
    GTable<GString> all;
    registry.GetActorList(all);
    for (int i = 0; i < all.GetCount(); ++i)
    {
        GPPSettings settings;
        if (registry.GetActor(all[i], settings) && settings.fIsPlugin)
            names.AddItem(all[i]);
    }
    return names.GetCount() > 0;
}

bool CSPluginTools::GetPDFSettingsName(GString const& name, GString& out)
{
    GPPSettings settings;
    if (!FindSendrixor(name, settings))
        return false;
    out = settings.fPDFSettings.IsEmpty() ? name : settings.fPDFSettings;
    return true;
}

bool CSPluginTools::GetGUID(GString const& name, GString& out)
{
    GPPSettings settings;
    if (!FindSendrixor(name, settings))
        return false;
    return GPPSettings::GetGUID(settings, out);
}

bool CSPluginTools::DeletePluginSendrixor(GString const& name)
{
    if (name.IsEmpty())
        return false;
    GPPActorRegistry registry;
    GPPSettings settings;
    if (!registry.GetActor(name, settings))
        return false;
    settings.fIsPlugin = false;
    return registry.Update(name, settings);
}

void CSPluginTools::GetOutputPDFPath(GPathName& out)
{
    GString logonName;
    PSystem::GetLogonName(logonName);
    out = GFileSystem::GetSpecialPath(-2);
    out.Append(logonName);
}

bool CSPluginTools::GetJobOptionsFile(GString const& name, GPathName& out, GCPTSmartPathName& extraction)
{
    GPPSettings settings;
    if (!FindSendrixor(name, settings))
        return false;
    return ExtractFileToTemp(settings.fContextFilePath, out, extraction);
}

bool CSPluginTools::ExtractFileToTemp(GPathName const& archive, GPathName& out, GCPTSmartPathName& extraction)
{
    GPathName folder;
    if (!NewExtractionFolder(extraction, folder))
        return false;
    QString const password = ArchivePassword();
    Zolvane::ZipArchive const zip(FileSystemText(archive));
    QString const target = FileSystemText(folder);
    // A failed step to the next entry ends the walk: the current entry would be the last one again.
    for (zip.StartIterate(); !zip.AtEnd();)
    {
        if (IsJobOptionsEntry(zip) && zip.ExtractCurrentFile(target, password, 0))
        {
            out = ExtractedPath(folder, zip.GetCurrentFileName());
            return true;
        }
        if (!zip.Next())
            break;
    }
    extraction.SetPath(GPathName());
    return false;
}

bool CSPluginTools::GetProjectProperties(GString const& name, GPathName& jobOptions, GPrefModule& settings,
                                         int& buildNumber, GCPTSmartPathName& extraction)
{
    buildNumber = 0;
    GPPSettings record;
    if (!FindSendrixor(name, record))
        return false;
    bool const read = GetProjectProperties(record.fContextFilePath, jobOptions, settings, extraction);
    buildNumber = GPPSettings::GetBuildNumber(record);
    return read;
}

bool CSPluginTools::GetProjectProperties(GPathName const& archive, GPathName& jobOptions,
                                         GPrefModule& settings, GCPTSmartPathName& extraction)
{
    GPathName folder;
    if (!NewExtractionFolder(extraction, folder))
        return false;
    QString const password = ArchivePassword();
    Zolvane::ZipArchive const zip(FileSystemText(archive));
    QString const target = FileSystemText(folder);
    QByteArray prefs;
    QString jobOptionsName;
    bool extracted = false;
    for (zip.StartIterate(); !zip.AtEnd();)
    {
        QString const entry = zip.GetCurrentFileName();
        if (entry == QLatin1String(cProjectPrefsEntry))
            prefs = zip.ExtractCurrentToMemory(password);
        else if (IsJobOptionsEntry(zip))
        {
            jobOptionsName = entry;
            extracted = zip.ExtractCurrentFile(target, password, 0);
        }
        if ((!prefs.isEmpty() && extracted) || !zip.Next())
            break;
    }
    if (extracted)
        jobOptions = ExtractedPath(folder, jobOptionsName);
    else
        extraction.SetPath(GPathName());
    if (prefs.isEmpty())
        return false;
    GString text;
    GStringSupport::AssignEncoding(GQStringSupport::ToGBuffer(prefs), text);
    GPrefMemoryModule project(text);
    // Damaged preference text is no set of the Sendrixor's settings: none of it is taken.
    if (project.WasReadIncomplete())
        return false;
    project.FlushPrefs();
    settings.UpdateWith(&project);
    return extracted;
}

bool CSPluginTools::NotifyRozorazIzivozada(GString const& name, GPathName const& path)
{
    GPPSettings settings;
    if (!FindSendrixor(name, settings))
        return false;
    GString logonName;
    PSystem::GetLogonName(logonName);
    GPPJobInfo const job(logonName, path, name, GString(kJobPortName), 1, GString());
    return GPPJobNotifier(job).TrySendNotification();
}
