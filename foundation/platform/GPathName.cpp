// Path names: the portable form, its normalisation, the component operations and the text forms.
#include "GPathName.h"

#include <iterator>

#include "GBufferSupport.h"
#include "GFileSystem.h"
#include "GPathText.h"
#include "GSimpleException.h"
#include "GUTF8Encoding.h"

namespace
{
constexpr unsigned short cSlash = '/';
constexpr unsigned short cDot = '.';
constexpr unsigned short cColon = ':';
constexpr int cNotRelativeID = 40066;
constexpr int cNotAbsoluteID = 40067;
constexpr int cDifferentVolumesID = 40033;
constexpr int cURLNotSupportedID = 40090;

GBuffer const& SlashBytes()
{
    static GBuffer const slash = GBuffer::FromStatic("/");
    return slash;
}

GBuffer const& DotBytes()
{
    static GBuffer const dot = GBuffer::FromStatic(".");
    return dot;
}

GBuffer const& DotDotBytes()
{
    static GBuffer const dotDot = GBuffer::FromStatic("..");
    return dotDot;
}

GString PathOf(GPathText const& text, int index, int count)
{
    return text.GetSubstring(index, count);
}

// The components of a path, empty ones left out.
void NamesOf(GString const& path, GTable<GString>& names)
{
    GPathText(path).Split(cSlash, names);
    for (int i = names.GetCount() - 1; i >= 0; --i)
    {
        if (names[i].IsEmpty())
            names.RemoveItemAt(i);
    }
}

// Whether the text has neither a "." nor a ".." component nor a trailing "/" (other than the
// root's): then normalising changes nothing, and most paths are like that.
bool IsNormalText(GBuffer const& utf8)
{
    unsigned char const* const bytes = utf8.GetPtr();
    int const length = utf8.GetLength();
    if (length >= 2 && bytes[length - 1] == '/')
        return false;
    int start = 0;
    for (int i = 0; i <= length; ++i)
    {
        if (i < length && bytes[i] != '/')
            continue;
        int const size = i - start;
        if (size >= 1 && size <= 2 && bytes[start] == '.' && (size == 1 || bytes[start + 1] == '.'))
            return false;
        start = i + 1;
    }
    return true;
}

// The leaf's last "." as a position in the leaf; -1 when there is none.
int LastDotOf(GString const& leaf)
{
    return GPathText(leaf).FindLast(cDot);
}
} // namespace

GPathName const GPathName::cEmptyPathName;

GPathName::GPathName(GString const& text)
{
    SetCrossPlatformString(text);
}

GPathName::GPathName(char const* text)
{
    SetCrossPlatformString(GString(text));
}

GPathName& GPathName::operator=(GPathName const& other)
{
    if (this != &other)
    {
        PMachOPathNameImp::operator=(other);
        fText = other.fText;
    }
    return *this;
}

GPathName& GPathName::operator=(GPathName&& other) noexcept
{
    if (this != &other)
    {
        RemoveFSRef();
        other.RemoveFSRef();
        fText = std::move(other.fText);
    }
    return *this;
}

GPathName::~GPathName() = default;

void GPathName::SetCrossPlatformString(GString const& text)
{
    RemoveFSRef();
    SetPortablePath(text);
    Normalize();
}

void GPathName::Clear()
{
    fText.Clear();
    RemoveFSRef();
}

void GPathName::Normalize() const
{
    if (fText.IsEmpty())
        return;
    GBuffer const utf8 = fText.GetBuffer(GUTF8Encoding::GetInstance());
    if (IsNormalText(utf8))
        return;
    bool const absolute = !utf8.IsEmpty() && utf8.GetPtr()[0] == '/';
    GTable<unsigned char> separators;
    separators.AddItem('/');
    GTable<GBuffer> components;
    GBufferSupport::SeparatedBufferToBufferTable(utf8, separators, components, true);
    bool changed = false;
    for (int i = 0; i < components.GetCount();)
    {
        if (i > 0 && components[i] == DotDotBytes() && components[i - 1] != DotDotBytes() &&
            !components[i - 1].IsEmpty())
        {
            components.RemoveItemAt(i);
            components.RemoveItemAt(i - 1);
            changed = true;
            --i;
        }
        else if (components[i] == DotBytes())
        {
            components.RemoveItemAt(i);
            changed = true;
        }
        else
            ++i;
    }
    int const count = components.GetCount();
    if (count >= 2 && components[count - 1].IsEmpty() && !(count == 2 && components[0].IsEmpty()))
    {
        components.RemoveLastItem();
        changed = true;
    }
    if (!changed)
        return;
    GBuffer joined;
    GBufferSupport::BufferTableToSeparatedBuffer(components, SlashBytes(), joined);
    // Everything cancelled: an absolute path is left at its root, not turned into a relative one.
    if (joined.IsEmpty() && absolute)
        joined = SlashBytes();
    fText = GString(joined, GUTF8Encoding::GetInstance(), true);
}

GString GPathName::GetNormalizedPortablePathFrom(GString const& text) const
{
    return GPathName(text).fText;
}

int GPathName::CheckCrossPlatformString(GString const& text)
{
    return GPathText(text).FindFirst(cColon, 0);
}

// --- queries ---

int GPathName::GetStartPositionRelativePath() const
{
    return HasRootDirectory() ? 1 : 0;
}

int GPathName::GetLeafStartPosition() const
{
    GPathText const path(fText);
    if (path.GetCount() == 0 || path.EndsWith(cSlash))
        return -1;
    return path.FindLast(cSlash) + 1;
}

bool GPathName::HasBranch() const
{
    int const leafStart = GetLeafStartPosition();
    return leafStart != -1 ? leafStart > 0 : HasRootPath();
}

GPathName GPathName::GetRootPath() const
{
    return GPathName(PathOf(GPathText(fText), 0, GetRootNameLength() + GetStartPositionRelativePath()));
}

GPathName GPathName::GetRelativePath() const
{
    return GPathName(PathOf(GPathText(fText), GetStartPositionRelativePath(), -1));
}

GString GPathName::GetLeaf() const
{
    // One look at the units gives both where the leaf starts and the leaf.
    GPathText const path(fText);
    if (path.GetCount() == 0 || path.EndsWith(cSlash))
        return GString();
    GString native;
    ConvertPortableToNative(PathOf(path, path.FindLast(cSlash) + 1, -1), native);
    return native;
}

GString GPathName::GetLeafWithoutExtension() const
{
    GString const leaf = GetLeaf();
    int const dot = LastDotOf(leaf);
    return dot >= 1 ? GPathText(leaf).GetSubstring(0, dot) : leaf;
}

GString GPathName::GetExtension() const
{
    GPathText const leaf(GetLeaf());
    int const dot = leaf.FindLast(cDot);
    if (dot <= 0 || dot == leaf.GetCount() - 1)
        return GString();
    return leaf.GetSubstring(dot + 1, -1);
}

bool GPathName::HasExtension() const
{
    GString const leaf = GetLeaf();
    return !leaf.IsEmpty() && LastDotOf(leaf) >= 1;
}

GPathName GPathName::GetPartialPath(int position) const
{
    GPathText const path(fText);
    if (position == 1)
        return GPathName(path.GetSubstring(0, 1));
    // A copy set again, so that it is normalised like every other partial path: the branch of "x/"
    // is "x", never "x/" itself.
    if (position == -1)
        return GPathName(fText);
    if (position >= 2)
    {
        int const rootLength = GetRootNameLength() + GetStartPositionRelativePath();
        return GPathName(path.GetSubstring(0, position == rootLength ? position : position - 1));
    }
    return GPathName();
}

GPathName GPathName::GetBranch() const
{
    return GetPartialPath(GetLeafStartPosition());
}

GPathName GPathName::GetMachOBranch() const
{
    GPathText const path(fText);
    int const leafStart = path.GetCount() == 0 || path.EndsWith(cSlash) ? -1 : path.FindLast(cSlash) + 1;
    return GetPartialPath(leafStart);
}

int GPathName::GetNumberOfComponents() const
{
    int const rootLength = GetRootNameLength() + GetStartPositionRelativePath();
    GPathName rest(*this);
    int count = 0;
    for (int length = GPathText(rest.fText).GetCount(); length > rootLength;)
    {
        GPathName branch = rest.GetBranch();
        int const branchLength = GPathText(branch.fText).GetCount();
        // A branch is shorter than its path; a walk that stood still would never end.
        if (branchLength >= length)
            break;
        rest = std::move(branch);
        length = branchLength;
        ++count;
    }
    if (GPathText(fText).StartsWith("/Volumes"))
        return count < 3 ? 0 : count - 2;
    return count;
}

bool GPathName::StartsWith(GPathName const& prefix) const
{
    GPathText const text(fText);
    GPathText const start(prefix.fText);
    int const n = start.GetCount();
    if (n > 0 && n < text.GetCount())
    {
        unsigned short const next = start.EndsWith(cSlash) ? text[n - 1] : text[n];
        return next == cSlash && GPathName(text.GetSubstring(0, n)) == prefix;
    }
    if (n == text.GetCount())
        return *this == prefix;
    return false;
}

GPathName GPathName::GetRelativePathFrom(GPathName const& base) const
{
    if (!HasRootPath() || !base.HasRootPath())
        throw GSimpleException(cNotAbsoluteID);
    if (GPathName(GPathText(fText).GetSubstring(0, GetRootNameLength())) !=
        GPathName(GPathText(base.fText).GetSubstring(0, base.GetRootNameLength())))
        throw GSimpleException(cDifferentVolumesID);
    GTable<GString> mine;
    GTable<GString> theirs;
    NamesOf(fText, mine);
    NamesOf(base.fText, theirs);
    int common = 0;
    while (common < mine.GetCount() && common < theirs.GetCount() &&
           GPathName(mine[common]) == GPathName(theirs[common]))
        ++common;
    GTable<GString> steps;
    for (int i = common; i < theirs.GetCount(); ++i)
        steps.AddItem(GString(".."));
    for (int i = common; i < mine.GetCount(); ++i)
        steps.AddItem(mine[i]);
    GPathName relative;
    relative.SetCrossPlatformString(GPathText::Join(steps, cSlash));
    return relative;
}

// --- edits ---

void GPathName::Append(GString const& relative)
{
    if (relative.IsEmpty())
        return;
    if (fText.IsEmpty())
    {
        SetCrossPlatformString(relative);
        return;
    }
    GPathText const path(fText);
    SetCrossPlatformString(path.EndsWith(cSlash) ? GPathText::Concat(fText, relative)
                                                 : GPathText::Concat(fText, GString("/"), relative));
}

GPathName& GPathName::operator/=(GPathName const& relative)
{
    if (!relative.IsRelative())
        throw GSimpleException(cNotRelativeID);
    Append(relative.fText);
    return *this;
}

GPathName operator/(GPathName const& a, GPathName const& b)
{
    GPathName joined(a);
    joined /= b;
    return joined;
}

void GPathName::ReplaceLeaf(GString const& leaf)
{
    GString portableLeaf;
    ConvertNativeToPortable(leaf, portableLeaf);
    int const leafStart = GetLeafStartPosition();
    GString rest = fText;
    if (leafStart >= 0)
        rest = GPathText(fText).GetSubstring(0, leafStart > 1 ? leafStart - 1 : leafStart);
    if (rest.IsEmpty())
    {
        SetCrossPlatformString(portableLeaf);
        return;
    }
    SetCrossPlatformString(rest);
    Append(portableLeaf);
}

void GPathName::ReplaceExtension(GString const& extension)
{
    GPathText const leaf(GetLeaf());
    if (leaf.GetCount() == 0)
        return;
    int const dot = leaf.FindLast(cDot);
    GString stem = leaf.GetSubstring(0, -1);
    if (dot >= 1 && dot == leaf.GetCount() - 1)
        ReplaceLeaf(GPathText::Concat(stem, extension));
    else
        ReplaceLeaf(GPathText::Concat(dot >= 1 ? leaf.GetSubstring(0, dot) : stem, GString("."), extension));
}

void GPathName::ReplaceLeafWithoutExtension(GString const& name)
{
    GString const extension = GetExtension();
    if (extension.IsEmpty())
        ReplaceLeaf(name);
    else
        ReplaceLeaf(GPathText::Concat(name, GString("."), extension));
}

// --- text forms ---

void GPathName::ConvertPortableToMachO(GString const& portable, GString& out) const
{
    ConvertPortableToUNIX(portable, out);
}

void GPathName::ConvertMachOToPortable(GString const& machO, GString& out) const
{
    ConvertUNIXToPortable(machO, out);
}

void GPathName::ConvertPortableToUNIX(GString const& portable, GString& out) const
{
    out = portable;
}

void GPathName::ConvertUNIXToPortable(GString const& unixPath, GString& out) const
{
    out = unixPath;
}

void GPathName::ConvertPortableToWin32(GString const& portable, GString& out) const
{
    out = portable.IsEmpty() ? GString() : GPathText(portable).GetReplaced("/", "\\");
}

void GPathName::ConvertWin32ToPortable(GString const& win32, GString& out) const
{
    GPathText const path(win32);
    int start = 0;
    if (path.StartsWith("\\\\?\\"))
    {
        // The long-path prefix; of "\\?\UNC\server" the "\server" stays.
        start = 4;
        if (GPathText(path.GetSubstring(4, 4)).StartsWith("UNC\\"))
            start = 7;
    }
    out = GPathText(path.GetSubstring(start, -1)).GetReplaced("\\", "/");
}

void GPathName::ConvertPortableToCFM(GString const& portable, GString& out) const
{
    out.Clear();
    if (portable.IsEmpty())
        return;
    GTable<GString> components;
    GPathText(portable).Split(cSlash, components);
    int first = 0;
    if (components[0].IsEmpty())
    {
        GString mountPoint("/");
        if (components.GetCount() >= 3 && GPathText(components[1]).GetCount() == 7 &&
            GPathText(components[1]).StartsWith("Volumes"))
        {
            mountPoint = GPathText::Concat(GString("/Volumes/"), components[2]);
            components.RemoveItemAt(2);
            components.RemoveItemAt(1);
        }
        components[0] = GetCFMVolumeName(mountPoint);
        if (components.GetCount() == 1)
            components.AddItem(GString());
        first = 1;
    }
    else if (components.GetCount() >= 2 || components[0] == GString(".."))
        components.InsertItemAt(0, GString());
    if (components[components.GetCount() - 1] == GString(".."))
        components.AddItem(GString());
    for (int i = first; i < components.GetCount(); ++i)
    {
        GPathText const component(components[i]);
        components[i] = component.GetCount() == 2 && component.StartsWith("..")
                            ? GString()
                            : component.GetReplaced(":", "/");
    }
    out = GPathText::Join(components, cColon);
}

void GPathName::ConvertCFMToPortable(GString const& cfm, GString& out) const
{
    out.Clear();
    if (cfm.IsEmpty())
        return;
    GTable<GString> components;
    GPathText(cfm).Split(cColon, components);
    GString mountPath;
    if (components[0].IsEmpty())
        components.RemoveItemAt(0);
    else if (components.GetCount() >= 2)
    {
        mountPath = GetMachOVolumeName(components[0]);
        components.RemoveItemAt(0);
    }
    if (components.GetCount() > 0 && components[components.GetCount() - 1].IsEmpty())
        components.RemoveLastItem();
    for (int i = 0; i < components.GetCount(); ++i)
        components[i] =
            components[i].IsEmpty() ? GString("..") : GPathText(components[i]).GetReplaced("/", ":");
    GString const joined = GPathText::Join(components, cSlash);
    if (mountPath.IsEmpty())
        out = joined;
    else if (GPathText(mountPath).EndsWith(cSlash))
        out = GPathText::Concat(mountPath, joined);
    else
        out = GPathText::Concat(mountPath, GString("/"), joined);
}

GString GPathName::Converted(GString const& text, Conversion convert) const
{
    GString converted;
    (this->*convert)(text, converted);
    return converted;
}

GString GPathName::GetNativePathString() const
{
    return Converted(fText, &GPathName::ConvertPortableToNative);
}

void GPathName::SetNativePathString(GString const& text)
{
    SetCrossPlatformString(Converted(text, &GPathName::ConvertNativeToPortable));
}

GString GPathName::GetMachOPathString() const
{
    return Converted(fText, &GPathName::ConvertPortableToMachO);
}

void GPathName::SetMachOPathString(GString const& text)
{
    SetCrossPlatformString(Converted(text, &GPathName::ConvertMachOToPortable));
}

GString GPathName::GetCFMPathString() const
{
    return Converted(fText, &GPathName::ConvertPortableToCFM);
}

void GPathName::SetCFMPathString(GString const& text)
{
    SetCrossPlatformString(Converted(text, &GPathName::ConvertCFMToPortable));
}

GString GPathName::GetWin32PathString() const
{
    return Converted(fText, &GPathName::ConvertPortableToWin32);
}

void GPathName::SetWin32PathString(GString const& text)
{
    SetCrossPlatformString(Converted(text, &GPathName::ConvertWin32ToPortable));
}

GString GPathName::GetDIPathString() const
{
    GString di;
    ConvertPortableToDISpec(fText, di);
    return di;
}

void GPathName::SetDIPathString(GString const& text)
{
    GPathText const path(text);
    if (path.StartsWith("http://") || path.StartsWith("ftp://"))
        throw GSimpleException(cURLNotSupportedID);
    GString portable;
    ConvertDISpecToPortable(text, portable);
    SetCrossPlatformString(portable);
}

GString GPathName::GetUNCPathString() const
{
    GString unc;
    ConvertPortableToUNCSpec(fText, unc);
    return unc;
}

void GPathName::SetUNCPathString(GString const& text)
{
    GString portable;
    ConvertPortableToUNCSpec(text, portable);
    SetCrossPlatformString(portable);
}

GString GPathName::GetURLPathString() const
{
    GString text = fText;
    if (IsRelative())
    {
        GPathName current;
        GFileSystem::GetCurrentFolder(current);
        text = (current / *this).fText;
    }
    text = GPathText(GPathText(text).GetReplaced(" ", "%20")).GetReplaced("&", "&amp;");
    GPathText const path(text);
    GString const prefix(path.GetCount() > 0 && path[0] != cSlash ? "file:///" : "file://");
    return GPathText::Concat(prefix, text);
}

void GPathName::CreateValidFileName(GString& name, int platforms, unsigned short replacement)
{
    static unsigned short const cWindowsCharacters[] = {':', '/', '\\', '*', '?', '"', '<', '>', '|'};
    static unsigned short const cSlashAndColon[] = {'/', ':'};
    static unsigned short const cColonOnly[] = {':'};
    static unsigned short const cSlashOnly[] = {'/'};
    unsigned short const* begin = cSlashOnly;
    unsigned short const* end = cSlashOnly + 1;
    if (platforms & cWindowsPlatform)
    {
        begin = std::begin(cWindowsCharacters);
        end = std::end(cWindowsCharacters);
    }
    else if ((platforms & cClassicMacPlatform) && (platforms & (cMacOSPlatform | cUNIXPlatform)))
    {
        begin = std::begin(cSlashAndColon);
        end = std::end(cSlashAndColon);
    }
    else if (platforms & cClassicMacPlatform)
    {
        begin = std::begin(cColonOnly);
        end = std::end(cColonOnly);
    }
    for (unsigned short const* c = begin; c != end; ++c)
        name.Replace(0, *c, replacement);
}
