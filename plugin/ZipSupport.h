// Conversions between Qt's file permissions and the external attributes of zip entries, whose high
// 16 bits hold a Unix mode and whose low byte holds MS-DOS attributes.
#pragma once

#include <QFileDevice>
#include <QFileInfo>

#include <minizip/zip.h>

class ZipSupport
{
public:
    ZipSupport() = delete;

    // The Unix owner, group and other bits of the high half as Qt's owner, group and other flags;
    // Qt's user flags are never set.
    static QFileDevice::Permissions GetPermissionsFromMacOSExternalFileAttributes(unsigned long attributes);
    // The inverse: Qt's owner, group and other flags as Unix mode bits in the high half; user flags
    // are ignored.
    static unsigned long GetMacOSExternalFileAttributesFromPermissions(QFileDevice::Permissions permissions);
    // What an extracted item gets added: the attributes' permissions, or execute for everybody when
    // they hold none, together with those of the extra attributes.
    static QFileDevice::Permissions GetPermissions(unsigned long attributes, int extraAttributes);
    // Sets the entry's external attributes for the file: the MS-DOS attributes and a Unix mode made
    // of the type, owner read, owner write and execute as the file allows them, and the file's own
    // permissions. The last argument is not used. Returns 0.
    static int GetExternalFileAttributes(QFileInfo const& file, zip_fileinfo* zipInfo, int dosAttributes,
                                         int unused);
};
