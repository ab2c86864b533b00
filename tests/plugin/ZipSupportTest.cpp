// Qt permissions and zip external attributes, both ways, and the attributes written for real files
// and folders.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

#include "HandMadeZip.h"
#include "TempFolder.h"
#include "ZipSupport.h"

namespace
{
using P = QFileDevice;
constexpr unsigned long cDosArchive = 0x20;
constexpr unsigned long cDosFolder = 0x10;

struct ModeCase
{
    unsigned long mode; // Unix mode, octal
    QFileDevice::Permissions flags;
};

TEST(ZipSupportTest, ConvertsUnixModesToQtFlagsAndBack)
{
    std::vector<ModeCase> const cases = {
        {0, {}},
        {0644, P::ReadOwner | P::WriteOwner | P::ReadGroup | P::ReadOther},
        {0755, P::ReadOwner | P::WriteOwner | P::ExeOwner | P::ReadGroup | P::ExeGroup | P::ReadOther |
                   P::ExeOther},
        {0421, P::ReadOwner | P::WriteGroup | P::ExeOther},
        {0777, P::ReadOwner | P::WriteOwner | P::ExeOwner | P::ReadGroup | P::WriteGroup | P::ExeGroup |
                   P::ReadOther | P::WriteOther | P::ExeOther},
    };
    for (ModeCase const& test : cases)
    {
        SCOPED_TRACE(std::to_string(test.mode));
        // Type, set-id and sticky bits and the MS-DOS byte are not permissions.
        for (unsigned long const others : {0ul, 0107000ul << 16 | cDosArchive, 040000ul << 16 | cDosFolder})
            EXPECT_EQ(test.flags, ZipSupport::GetPermissionsFromMacOSExternalFileAttributes(
                                      test.mode << ziptest::cUnixMode | others));
        EXPECT_EQ(test.mode << ziptest::cUnixMode,
                  ZipSupport::GetMacOSExternalFileAttributesFromPermissions(test.flags));
        // Qt's user flags say what this process may do; they are no part of a mode.
        EXPECT_EQ(test.mode << ziptest::cUnixMode, ZipSupport::GetMacOSExternalFileAttributesFromPermissions(
                                                       test.flags | P::ReadUser | P::WriteUser | P::ExeUser));
    }
    EXPECT_EQ(QFileDevice::Permissions(), ZipSupport::GetPermissionsFromMacOSExternalFileAttributes(0xffff));
}

struct AddedCase
{
    char const* label;
    unsigned long attributes;
    int extraAttributes;
    QFileDevice::Permissions added;
};

TEST(ZipSupportTest, AddsExecuteForEverybodyWhenTheEntryHasNoMode)
{
    auto const everybodyExecutes = P::ExeOwner | P::ExeGroup | P::ExeOther;
    std::vector<AddedCase> const cases = {
        {"rw-r--r--", 0100644ul << 16, 0, P::ReadOwner | P::WriteOwner | P::ReadGroup | P::ReadOther},
        {"no attributes", 0, 0, everybodyExecutes},
        {"MS-DOS attributes only", cDosArchive | cDosFolder, 0, everybodyExecutes},
        {"mode ---------", 0100000ul << 16, 0, everybodyExecutes},
        {"extra attributes added", 0100640ul << 16, 0006 << 16,
         P::ReadOwner | P::WriteOwner | P::ReadGroup | P::ReadOther | P::WriteOther},
        {"extra attributes beside execute", 0, 0004 << 16, everybodyExecutes | P::ReadOther},
    };
    for (AddedCase const& test : cases)
    {
        SCOPED_TRACE(test.label);
        EXPECT_EQ(test.added, ZipSupport::GetPermissions(test.attributes, test.extraAttributes));
    }
}

struct FileCase
{
    char const* label;
    bool folder;
    mode_t mode;
    int dosAttributes;
    unsigned long expected;
};

TEST(ZipSupportTest, WritesTheAttributesOfRealFilesAndFolders)
{
    testsupport::TempFolder temp;
    std::vector<FileCase> const cases = {
        {"file rw-r-----", false, 0640, static_cast<int>(cDosArchive), (0100640ul << 16) | cDosArchive},
        {"executable file", false, 0750, 0, (0100750ul << 16)},
        // Owner read always; owner write where this process may write, which root always may.
        {"file ---r--r-- gets owner read", false, 0044, 0, (0100444ul | (geteuid() == 0 ? 0200 : 0)) << 16},
        {"folder", true, 0750, static_cast<int>(cDosFolder), (040750ul << 16) | cDosFolder},
        // The MS-DOS attributes are an int, widened with their sign.
        {"negative MS-DOS attributes", false, 0640, -1, ~0ul},
    };
    for (FileCase const& test : cases)
    {
        SCOPED_TRACE(test.label);
        std::filesystem::path const path = temp / test.label;
        if (test.folder)
            std::filesystem::create_directory(path);
        else
            ziptest::WriteFile(path, "content");
        ASSERT_EQ(0, chmod(path.c_str(), test.mode));
        zip_fileinfo info{};
        EXPECT_EQ(0, ZipSupport::GetExternalFileAttributes(QFileInfo(QString::fromStdString(path.string())),
                                                           &info, test.dosAttributes, 12345));
        EXPECT_EQ(test.expected, info.external_fa);
    }
}
} // namespace
