// Path texts from outside in every form a path is written in: normalising is stable, the queries
// keep to the text, and a path written in a form and read back from it is the same path (where the
// form can hold it).
#include "FuzzSupport.h"

#include "GException.h"
#include "GPathName.h"

using namespace fuzzsupport;

namespace
{
std::string PathText(GPathName const& path)
{
    return Composed(path.GetPortablePath());
}

bool StartsWith(std::string const& utf16, char const* ascii)
{
    std::string prefix;
    for (char const* c = ascii; *c; ++c)
    {
        prefix += *c;
        prefix += '\0';
    }
    return utf16.compare(0, prefix.size(), prefix) == 0;
}

bool Holds(std::string const& utf16, char16_t unit)
{
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2)
    {
        if (static_cast<unsigned char>(utf16[i]) == (unit & 0xFF) &&
            static_cast<unsigned char>(utf16[i + 1]) == unit >> 8)
            return true;
    }
    return false;
}

// Reads the text written by a getter back with the matching setter.
template<class Get, class Set>
void CheckReadsBack(GPathName const& path, Get get, Set set, char const* form)
{
    GPathName back;
    GString const written = (path.*get)();
    try
    {
        (back.*set)(written);
    }
    catch (GException const& caught)
    {
        Fail(form,
             "the form written cannot be read back: exception " + std::to_string(caught.GetExceptionID()));
    }
    Check(PathText(back) == PathText(path), form,
          Hex(PathText(path)) + "\nwritten " + Hex(Composed(written)) + "\nread    " + Hex(PathText(back)));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    int const form = input.ConsumeIntegralInRange<int>(0, 6);
    bool const ascii = input.ConsumeBool();
    std::string const bytes = input.ConsumeRemainingBytesAsString();
    GString const text =
        ascii ? GString(BufferOf(bytes), GASCIIEncoding::GetInstance(), true) : TextOf(bytes);

    GPathName path;
    try
    {
        switch (form)
        {
        case 0:
            path.SetCrossPlatformString(text);
            break;
        case 1:
            path.SetNativePathString(text);
            break;
        case 2:
            path.SetMachOPathString(text);
            break;
        case 3:
            path.SetCFMPathString(text);
            break;
        case 4:
            path.SetWin32PathString(text);
            break;
        case 5:
            path.SetDIPathString(text);
            break;
        default:
            path.SetUNCPathString(text);
            break;
        }
    }
    catch (GException const& caught)
    {
        // A URL as a device-independent path is refused; nothing else may fail.
        Check(form == 5 && caught.GetExceptionID() == 40090, "only URLs are refused as path texts",
              std::to_string(form) + ": " + std::to_string(caught.GetExceptionID()));
        return 0;
    }

    std::string const portable = PathText(path);
    // A branch is shorter than its path, one ending in a separator included, so that walks up a
    // path (making a folder's chain, counting components) end.
    if (!portable.empty() && portable != std::string("/\0", 2))
        Check(PathText(path.GetBranch()).size() < portable.size(), "a branch is shorter than its path",
              Hex(portable));
    (void)path.GetNumberOfComponents();
    // Normalising drops one trailing separator only (of "a//" it leaves "a/"), so a path that still
    // ends in one is not stable under normalising again, nor under any form read back.
    std::string const slash("/\0", 2);
    if (portable.size() > 2 && portable.compare(portable.size() - 2, 2, slash) == 0)
        return 0;
    Check(Composed(path.GetNormalizedPortablePathFrom(path.GetPortablePath())) == portable,
          "a normalised path normalises to itself", Hex(portable));

    // The queries take their pieces from the text.
    GString const leaf = path.GetLeaf();
    GPathName const branch = path.GetBranch();
    (void)path.GetExtension();
    (void)path.GetLeafWithoutExtension();
    (void)path.GetNumberOfComponents();
    (void)path.GetRelativePath();
    // Doubled separators stay in a path, and its branch is normalised anew, so it is compared only
    // where the path has none.
    std::string const doubleSlash("/\0/\0", 4);
    bool const doubled = portable.find(doubleSlash) != std::string::npos;
    if (!branch.IsEmpty() && !doubled)
        Check(path.StartsWith(branch), "a path starts with its branch", Hex(portable));
    GString const url = path.GetURLPathString();
    Check(StartsWith(Composed(url), "file://"), "a URL starts with file://");

    // The forms that hold any path read back as the same path.
    CheckReadsBack(path, &GPathName::GetNativePathString, &GPathName::SetNativePathString,
                   "the native form reads back");
    CheckReadsBack(path, &GPathName::GetMachOPathString, &GPathName::SetMachOPathString,
                   "the Mach-O form reads back");
    CheckReadsBack(path, &GPathName::GetUNCPathString, &GPathName::SetUNCPathString,
                   "the UNC form reads back");
    // An empty component (the "//" a Windows server path starts with) is written as "::", which
    // reads as "..".
    if (!doubled)
        CheckReadsBack(path, &GPathName::GetCFMPathString, &GPathName::SetCFMPathString,
                       "the colon form reads back");
    // The device-independent form escapes a colon as a backslash and a slash, and leaves a backslash
    // of a name alone, so a name with a backslash before a separator does not read back.
    bool const backslash = Holds(portable, u'\\');
    if (!StartsWith(portable, "http://") && !StartsWith(portable, "ftp://") && !backslash && !doubled)
        CheckReadsBack(path, &GPathName::GetDIPathString, &GPathName::SetDIPathString,
                       "the device-independent form reads back");
    // A backslash is a separator to Windows, and "//?/" its long-path prefix.
    if (!backslash && !StartsWith(portable, "//?/"))
        CheckReadsBack(path, &GPathName::GetWin32PathString, &GPathName::SetWin32PathString,
                       "the Windows form reads back");
    return 0;
}
