// Conversions between Qt's file permissions and zip external attributes.
#include "ZipSupport.h"

namespace
{
constexpr unsigned long cOwnerFlags =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr unsigned long cGroupFlags =
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup;
constexpr unsigned long cOtherFlags =
    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

// Unix mode bits (octal).
constexpr unsigned long cFolderType = 040000;
constexpr unsigned long cOwnerRead = 0400;
constexpr unsigned long cOwnerWrite = 0200;
constexpr unsigned long cOwnerExecute = 0100;
} // namespace

QFileDevice::Permissions ZipSupport::GetPermissionsFromMacOSExternalFileAttributes(unsigned long attributes)
{
    // Qt's flags are the Unix triplets spread one hex digit apart: owner rwx at 0x7000, group at
    // 0x70, other at 0x7, while the mode sits at bit 16.
    unsigned long const flags = ((attributes >> 10) & cOwnerFlags) | ((attributes >> 15) & cGroupFlags) |
                                ((attributes >> 16) & cOtherFlags);
    return QFileDevice::Permissions(static_cast<int>(flags));
}

unsigned long ZipSupport::GetMacOSExternalFileAttributesFromPermissions(QFileDevice::Permissions permissions)
{
    unsigned long const flags = static_cast<unsigned long>(static_cast<unsigned int>(permissions));
    return ((flags & cOwnerFlags) << 10) | ((flags & cGroupFlags) << 15) | ((flags & cOtherFlags) << 16);
}

QFileDevice::Permissions ZipSupport::GetPermissions(unsigned long attributes, int extraAttributes)
{
    QFileDevice::Permissions permissions = GetPermissionsFromMacOSExternalFileAttributes(attributes);
    // An entry written without a Unix mode (by an MS-DOS or Windows tool) must stay usable: scripts
    // and folders need execute.
    if (permissions == QFileDevice::Permissions())
        permissions = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    return permissions | GetPermissionsFromMacOSExternalFileAttributes(
                             static_cast<unsigned long>(static_cast<unsigned int>(extraAttributes)));
}

int ZipSupport::GetExternalFileAttributes(QFileInfo const& file, zip_fileinfo* zipInfo, int dosAttributes,
                                          int)
{
    // A folder is 040000; anything else, a link or a device included, is written as a regular file
    // (0100000).
    unsigned long mode = cFolderType + (file.isDir() ? 0 : cFolderType);
    mode |= cOwnerRead;
    if (file.isWritable())
        mode |= cOwnerWrite;
    if (file.isExecutable())
        mode |= cOwnerExecute;
    zipInfo->external_fa = static_cast<uLong>(static_cast<long>(dosAttributes)) | (mode << 16) |
                           GetMacOSExternalFileAttributesFromPermissions(file.permissions());
    return 0;
}
