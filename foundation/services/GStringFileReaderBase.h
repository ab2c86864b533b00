// The parser of string files (".lng"): tables that name their language and text encoding and
// list string ids with quoted texts, with comments and platform conditionals. What is done with
// each entry is the subclass's.
#pragma once

#include "GPathName.h"
#include "GString.h"
#include "GTable.h"

class GBin2TextStream;
class GEncoding;

class GStringFileReaderBase
{
public:
    explicit GStringFileReaderBase(GPathName const& path);
    virtual ~GStringFileReaderBase();
    GStringFileReaderBase(GStringFileReaderBase const&) = delete;
    GStringFileReaderBase& operator=(GStringFileReaderBase const&) = delete;

    // Reads the whole file, handing each entry to AddString. Damaged text ends a table or the file
    // early; only errors of the file itself (it cannot be opened or read) are thrown.
    void ParseStringFile();
    // The language of the table being read; after parsing, of the last one.
    GString const& GetLanguageID() const { return fLanguage; }

protected:
    // The platform's defined name: "EA_OS_MACOSX", "EA_OS_LINUX" or "WIN" by platform code.
    virtual void InitializeDefines();
    // English, French, German, Spanish and "Neutral" (with its quotes) to their language ids.
    virtual void CorrectLanguage();
    // Comments and directives; false for any other token, which ends the table.
    virtual bool ProcessSpecialToken(GString const& token, GBin2TextStream& stream);
    virtual bool ProcessPragmas(GString const& token, GBin2TextStream& stream);
    // "#ifdef", "#ifndef" and "#endif"; false for any other token.
    virtual bool ProcessDefines(GString const& token, GBin2TextStream& stream);
    virtual void InitializeParser() {}
    virtual void FinalizeParser() {}
    // A table header was read: its language and encoding are set.
    virtual void HeaderParsed() {}
    virtual void AddString(int id, GString const& text) = 0;

    // Skips lines up to the one of the matching "#endif" (or the end of the file).
    void SkipTillEndIf(GBin2TextStream& stream);
    bool IsDefined(GString const& name) const;

    GPathName fPath;
    GTable<GString> fDefines;
    GString fLanguage;
    // Not owned; null for an encoding name that is not known.
    GEncoding* fEncoding;

private:
    // Reads the entries of one table; true when it ended at the header of the next table.
    bool ParseTable(GBin2TextStream& stream);
    // piece is the caller's, lent for the pieces of the text.
    void ReadText(GBin2TextStream& stream, GString& text, GString& piece);
};
