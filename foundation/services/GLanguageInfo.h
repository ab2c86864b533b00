// What one installed string file says about its language: the file, the language id and the
// language's name in Roman and in Japanese script.
#pragma once

#include "GPathName.h"
#include "GString.h"

class GLanguageInfo
{
public:
    GLanguageInfo() = default;
    GLanguageInfo(GPathName const& path, GString const& id, GString const& romanName, GString const& japaneseName)
        : fPath(path), fLanguageID(id), fNameRomanScript(romanName), fNameJapaneseScript(japaneseName)
    {
    }

    GPathName const& GetPathName() const { return fPath; }
    GString const& GetLanguageID() const { return fLanguageID; }
    GString const& GetLanguageNameRomanScript() const { return fNameRomanScript; }
    GString const& GetLanguageNameJapaneseScript() const { return fNameJapaneseScript; }

    bool operator==(GLanguageInfo const& other) const
    {
        return fPath == other.fPath && fLanguageID == other.fLanguageID &&
               fNameRomanScript == other.fNameRomanScript && fNameJapaneseScript == other.fNameJapaneseScript;
    }

private:
    GPathName fPath;
    GString fLanguageID;
    GString fNameRomanScript;
    GString fNameJapaneseScript;
};
