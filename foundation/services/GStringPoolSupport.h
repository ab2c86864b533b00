// Registration of the built-in string tables that each layer brings, and the names of the
// encodings those tables and the string files are written in.
#pragma once

#include <cstdint>

class GBuffer;
class GEncoding;
class GString;
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

    // Reads the language's string files from the default string-file folder; the pool calls it once
    // per language that has no table. Without a default folder it reads nothing.
    static void ReadDefaultStringFile(GString const& language);
    // Empties out, then the languages of the string files in the default folder; none without one.
    static void GetDefaultAvailableLanguages(GTable<GString>& out);
};
