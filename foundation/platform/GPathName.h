// The one value type for file and folder paths. A path is held in one portable text form,
// "/"-separated and normalised ("a/./b" is "a/b", "/a/b/../c/" is "/a/c"), and every other written
// form (native, colon, Windows, device-independent, UNC, "file://" URL) is made from it on demand.
// Positions are UTF-16 units of that text. Equality and hashing ignore letter case.
#pragma once

#include "GString.h"
#include "PMachOPathNameImp.h"

class GPathName : public PMachOPathNameImp
{
public:
    // The platforms whose forbidden characters GPathName::CreateValidFileName replaces (bits).
    enum Platform
    {
        cClassicMacPlatform = 1,
        cMacOSPlatform = 2,
        cWindowsPlatform = 4,
        cUNIXPlatform = 8
    };

    static GPathName const cEmptyPathName;

    GPathName() = default;
    GPathName(GString const& text);
    GPathName(char const* text);
    // The text alone: a file reference belongs to the path object that made it.
    GPathName(GPathName const& other) : PMachOPathNameImp(other), fText(other.fText) {}
    GPathName(GPathName&& other) noexcept : fText(std::move(other.fText)) { other.RemoveFSRef(); }
    GPathName& operator=(GPathName const& other);
    GPathName& operator=(GPathName&& other) noexcept;
    ~GPathName() override;

    GString const& GetPortablePath() const override { return fText; }
    void SetPortablePath(GString const& text) const override { fText = text; }
    // Drops the file reference, takes the text and normalises it.
    virtual void SetCrossPlatformString(GString const& text);
    virtual void ConvertPortableToMachO(GString const& portable, GString& out) const;
    virtual void ConvertMachOToPortable(GString const& machO, GString& out) const;
    virtual GString const& GetCrossPlatformString() const { return fText; }
    virtual void ConvertPortableToWin32(GString const& portable, GString& out) const;
    virtual void ConvertWin32ToPortable(GString const& win32, GString& out) const;
    // The classic colon form: "<volume>:<folders>:<name>"; a relative one starts with ":" and each
    // further ":" goes up one folder.
    virtual void ConvertPortableToCFM(GString const& portable, GString& out) const;
    virtual void ConvertCFMToPortable(GString const& cfm, GString& out) const;
    virtual void ConvertPortableToUNIX(GString const& portable, GString& out) const;
    virtual void ConvertUNIXToPortable(GString const& unixPath, GString& out) const;
    // The text a path built from text would hold.
    virtual GString GetNormalizedPortablePathFrom(GString const& text) const;

    bool IsEmpty() const { return fText.IsEmpty(); }
    void Clear();
    // Normalises the stored text in place: no "." component, ".." only where it cannot be taken
    // back, one trailing "/" dropped except in "/" (of "a//" one stays, so normalising "a//" twice
    // differs from once). An absolute path whose components all cancel is "/".
    void Normalize() const;
    // The position of the first ":" in text; -1 when there is none.
    static int CheckCrossPlatformString(GString const& text);

    // --- queries ---
    bool HasRootPath() const { return HasRootDirectory() || HasRootName(); }
    // 1 when the path starts with "/", else 0.
    int GetStartPositionRelativePath() const;
    // Where the last component starts; -1 for the empty path and one that ends in "/".
    int GetLeafStartPosition() const;
    bool HasLeaf() const { return GetLeafStartPosition() != -1; }
    bool HasBranch() const;
    // "/" or the empty path.
    GPathName GetRootPath() const;
    // The text after the root directory.
    GPathName GetRelativePath() const;
    // The last component, in native form; empty when there is none.
    GString GetLeaf() const;
    // The leaf without its last "." and what follows, unless that "." starts the leaf.
    GString GetLeafWithoutExtension() const;
    // What follows the leaf's last ".", unless that "." is the leaf's first or last character.
    GString GetExtension() const;
    // The leaf's last "." is not its first character ("a." has one, ".profile" has none).
    bool HasExtension() const;
    // 1: the first character; -1: the whole path; 2 or more: the first position - 1 characters;
    // anything else: the empty path.
    GPathName GetPartialPath(int position) const;
    // The path without its leaf: "/a" of "/a/b", "/" of "/a", empty of "a", "/" of "/".
    GPathName GetBranch() const;
    GPathName GetMachOBranch() const;
    // Components after the root; a path on another volume ("/Volumes/<name>/...") counts from the
    // volume's root.
    int GetNumberOfComponents() const;
    // Whether prefix names this path or a folder that holds it, ignoring case.
    bool StartsWith(GPathName const& prefix) const;
    // The relative path that leads from the folder base to this path; both must be absolute (40067).
    GPathName GetRelativePathFrom(GPathName const& base) const;
    friend bool operator==(GPathName const& a, GPathName const& b) { return a.Equals(b); }
    friend bool operator!=(GPathName const& a, GPathName const& b) { return !a.Equals(b); }

    // --- edits ---
    // Joins with "/" (not doubled); the text is not checked to be relative.
    void Append(GString const& relative);
    // Appends a relative path; an absolute one throws 40066 and leaves this path as it was.
    GPathName& operator/=(GPathName const& relative);
    friend GPathName operator/(GPathName const& a, GPathName const& b);
    void ReplaceLeaf(GString const& leaf);
    // The extension without its ".".
    void ReplaceExtension(GString const& extension);
    void ReplaceLeafWithoutExtension(GString const& name);

    // --- text forms ---
    GString GetNativePathString() const;
    void SetNativePathString(GString const& text);
    GString GetMachOPathString() const;
    void SetMachOPathString(GString const& text);
    GString GetCFMPathString() const;
    void SetCFMPathString(GString const& text);
    GString GetWin32PathString() const;
    void SetWin32PathString(GString const& text);
    GString GetDIPathString() const;
    // A text starting with "http://" or "ftp://" throws 40090.
    void SetDIPathString(GString const& text);
    GString GetUNCPathString() const;
    void SetUNCPathString(GString const& text);
    // "file://" and the path (a relative one taken from the current folder), with " " written "%20"
    // and "&" written "&amp;".
    GString GetURLPathString() const;

    // Replaces in name every character that one of the platforms (Platform bits) forbids in a file
    // name by replacement.
    static void CreateValidFileName(GString& name, int platforms, unsigned short replacement);

private:
    typedef void (GPathName::*Conversion)(GString const&, GString&) const;
    GString Converted(GString const& text, Conversion convert) const;

    // Mutable: normalising and assigning the text as it is are const operations.
    mutable GString fText;
};
