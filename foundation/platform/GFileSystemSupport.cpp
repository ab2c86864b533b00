// Checks shared by the file-system facade's operations.
#include "GFileSystemSupport.h"

#include <cstring>

#include "GASCIIEncoding.h"
#include "GPathName.h"
#include "GPathText.h"
#include "GSimpleException.h"
#include "GUTF8Encoding.h"

namespace
{
constexpr int cInvalidPathID = 40068;
} // namespace

bool GFileSystemSupport::IsUsablePath(GPathName const& path)
{
    if (path.IsRelative())
        return false;
    GString const& text = path.GetCrossPlatformString();
    GEncoding const* const encoding = text.GetEncoding().Get();
    // The forms paths mostly come in are looked at byte by byte; any other as UTF-16 units.
    if (encoding == GUTF8Encoding::GetInstance() || encoding == GASCIIEncoding::GetInstance())
    {
        GBuffer const& bytes = text.GetBytes();
        return !HoldsZeroByte(reinterpret_cast<char const*>(bytes.GetPtr()), bytes.GetLength());
    }
    return GPathText(text).FindFirst(0, 0) < 0;
}

void GFileSystemSupport::ThrowIfRelative(GPathName const& path)
{
    if (!IsUsablePath(path))
        throw GSimpleException(cInvalidPathID);
}

bool GFileSystemSupport::HoldsZeroByte(char const* bytes, int length)
{
    return length > 0 && std::memchr(bytes, 0, static_cast<std::size_t>(length)) != nullptr;
}

std::string GFileSystemSupport::NativeBytes(GPathName const& path)
{
    GBuffer const bytes = path.GetNativePathString().GetBuffer(GUTF8Encoding::GetInstance());
    char const* const text = reinterpret_cast<char const*>(bytes.GetPtr());
    if (HoldsZeroByte(text, bytes.GetLength()))
        throw GSimpleException(cInvalidPathID);
    return std::string(text, static_cast<std::size_t>(bytes.GetLength()));
}
