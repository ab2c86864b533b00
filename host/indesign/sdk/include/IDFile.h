// IDFile: a file as the host names it. The plug-in makes one from a classic Mac path (volume name,
// then folders, separated by colons); the host reads and writes the POSIX path it stands for,
// converted as the platform converts it.
#pragma once

#include <string>

class IDFile
{
public:
    IDFile() = default;

    // From a classic Mac path in UTF-8 ("Macintosh HD:Users:me:a.pdf"); empty when it reads as none.
    static IDFile FromHFSPath(std::string const& hfsPath);
    static IDFile FromPOSIXPath(std::string const& posixPath);

    bool IsEmpty() const { return fPath.empty(); }
    std::string const& GetPOSIXPath() const { return fPath; }
    std::string GetHFSPath() const;
    // The last component, and without its extension (the text after the last dot, unless the dot is
    // its first character).
    std::string GetFileName() const;
    std::string GetFileNameWithoutExtension() const;
    bool Exists() const;

    friend bool operator==(IDFile const& a, IDFile const& b) { return a.fPath == b.fPath; }
    friend bool operator!=(IDFile const& a, IDFile const& b) { return a.fPath != b.fPath; }

private:
    std::string fPath;
};
