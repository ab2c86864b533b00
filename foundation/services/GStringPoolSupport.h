// Registration of the built-in string tables that each layer brings, and the names of the
// encodings those tables and the string files are written in.
#pragma once

#include <cstdint>

#include "GPathName.h"
#include "GString.h"

class GBuffer;
class GEncoding;
template<class T>
class GTable;

// One row of a built-in table. An id of -1 stands for the previous row's id plus one.
struct GStringPoolDataStruct
{
    std::int32_t fID;
    char const* fText;
};

class GStringPoolSupport
{
public:
    GStringPoolSupport() = delete;

    // Enters count rows as texts of the language, read in the named encoding (the language code
    // too). Entries already present stay: a built-in row never replaces a text. With hex, each text
    // is hexadecimal digits decoded two per byte; otherwise its line ends become the platform's.
    // Throws GSimpleException 40017 when the encoding name is unknown or its encoding is not
    // installed.
    static void AddStringPoolData(GBuffer const& language, char const* encodingName,
                                  GStringPoolDataStruct* rows, int count, bool hex);

    // The installed encoding singleton of a name, compared byte for byte; null for any other name.
    static GEncoding* GetEncoding(GBuffer const& name);

    // Nothing to do: the pool itself starts and stops the tables.
    static void Initialize() {}
    static void OpenStringPools() {}
    static void CloseStringPools() {}
    // Forgets that default string-file parameters were set.
    static void Finalize();

    // Reads every string file of the folder (not its sub-folders) that IsStringFile accepts, in the
    // folder's order, a later file replacing the ids of an earlier one; returns how many were read.
    // A missing folder reads nothing. Errors of a file that cannot be read are thrown.
    static int ReadStringFiles(GPathName const& folder, GString const& prefix, int minVersion,
                               int maxVersion, int versionLength, GString const& language);
    // Reads nothing: keeps the five values as the default parameters, so that a language's files
    // are read when the language is first asked for.
    static void ReadStringFiles(GPathName const& folder, GString const& prefix, int minVersion,
                                int maxVersion, int versionLength);
    // With a "wc*.lng" file in the folder reads every language's files (and the "WC" ones) now,
    // leaving the defaults alone; without one keeps the defaults as the five-argument form does.
    static void ReadStringFilesAndWildCardFiles(GPathName const& folder, GString const& prefix,
                                                int minVersion, int maxVersion, int versionLength);
    // Extension "lng" in any case; the upper-cased ASCII leaf begins with prefix (compared as it
    // is), carries a version of versionLength digits in the range right after it and contains the
    // upper-cased language anywhere.
    static bool IsStringFile(GPathName const& path, GString const& prefix, int minVersion, int maxVersion,
                             int versionLength, GString const& language);
    // Reads the language's string files from the default string-file folder; the pool calls it once
    // per language that has no table. Without a default folder it reads nothing.
    static void ReadDefaultStringFile(GString const& language);
    // False, the arguments untouched, when no defaults are set.
    static bool GetDefaultStringFileParams(GPathName& folder, GString& prefix, int& minVersion,
                                           int& maxVersion, int& versionLength);
    // Empties out, then the languages of the string files in the default folder; none without one.
    static void GetDefaultAvailableLanguages(GTable<GString>& out);
    // The first locale (an IETF tag such as "de-AT") that matches an available language exactly,
    // else by its first two letters, decides; false, out untouched, when none matches.
    static bool GetBestMatchingDefaultAvailableLanguageForLocales(GTable<GString> const& locales,
                                                                  GString& out);
    // "enUS" gives "en-US"; the Chinese and Japanese ids have their own tags.
    static GString ToIETF(GString const& language);

    // The dump for translators: every table of the pool as string files in folder, one file per
    // language and encoding, "<product prefix>__StringFile_<language>_<n>.lng".
    static void WriteStringFiles(GPathName const& folder);
    // The marker file "ZolvaneStringFiles.prefs" beside the application (beside its bundle); true
    // when it exists.
    static bool NeedToWriteStringFiles(GPathName& markerPath);
    // Dumps into a fresh folder under the marker file's "OutputFolder" when the marker file exists;
    // failures end the dump silently.
    static void WriteStringFiles(GString const& label);
    static void SetProductPrefix(GString const& prefix) { sProductPrefix = prefix; }

    // One row of a dump.
    struct SortElement
    {
        GEncoding* fEncoding;
        std::int32_t fID;
        GString fText;
    };
    // By encoding (a fixed order of the encoding objects), then by ascending id.
    static bool CompareStringData(SortElement const& a, SortElement const& b);

private:
    static bool sDefaultStringFileParamsSet;
    static GPathName sLNGFolder;
    static GString sPrefix;
    static int sMinVersion;
    static int sMaxVersion;
    static int sVersionLength;
    static GString sProductPrefix;
};
