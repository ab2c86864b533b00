// What the parts of the Foundation stand-in share: paths, the attributes kept beside an item (Finder
// information, the lock, the custom icon, a creation date), Foundation's file errors, the volumes and
// the special folders' roots. Only the Foundation stand-in includes it, and the File Manager stand-in
// for the Finder information.
#pragma once

#include "FoundationStandIn.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace foundationstandin
{
template<typename Object>
Object* Autoreleased(Object* object)
{
    return static_cast<Object*>(const_cast<void*>(CFAutorelease(object)));
}

// A UTF-8 string, autoreleased; null when the bytes are not UTF-8.
CFStringRef MakeString(std::string const& text);
// The object under the type, or null when it is of another kind.
template<typename Object>
Object const* As(CFTypeRef value)
{
    return value ? dynamic_cast<Object const*>(static_cast<CFStandInObject const*>(value)) : nullptr;
}

// --- paths ---
// Absolute (from the current folder), without repeated or trailing "/" and without "." steps.
// Empty for a text that is no path of the file system: one that holds a zero byte, which the
// system's calls would take for the end of the path.
std::string AbsolutePath(std::string const& path);
std::string LeafOf(std::string const& path);
std::string FolderOf(std::string const& path);
// The folders on the way resolved, the leaf as it is: where the item itself lies.
std::string LocationOf(std::string const& path);

// --- the item ---
bool StatusOf(std::string const& path, struct stat& status);
bool Exists(std::string const& path);
// The calling process passes every lock and permission check.
bool IsSuperUser();

// The Finder information: 32 bytes, big-endian, as the platform lays them out.
struct FinderInfo
{
    std::uint8_t fBytes[32] = {};

    std::uint32_t Type() const { return Read32(0); }
    std::uint32_t Creator() const { return Read32(4); }
    std::uint16_t Flags() const { return static_cast<std::uint16_t>(fBytes[8] << 8 | fBytes[9]); }
    void SetType(std::uint32_t value) { Write32(0, value); }
    void SetCreator(std::uint32_t value) { Write32(4, value); }
    void SetFlags(std::uint16_t value)
    {
        fBytes[8] = static_cast<std::uint8_t>(value >> 8);
        fBytes[9] = static_cast<std::uint8_t>(value);
    }
    void SetFlag(std::uint16_t flag, bool on) { SetFlags(on ? Flags() | flag : Flags() & ~flag); }

    std::uint32_t Read32(int at) const
    {
        return std::uint32_t(fBytes[at]) << 24 | std::uint32_t(fBytes[at + 1]) << 16 |
               std::uint32_t(fBytes[at + 2]) << 8 | fBytes[at + 3];
    }
    void Write32(int at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            fBytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
};
constexpr std::uint16_t cFinderFlagIsInvisible = 0x4000;
constexpr std::uint16_t cFinderFlagHasBundle = 0x2000;
constexpr std::uint16_t cFinderFlagHasCustomIcon = 0x0400;
// The label number sits in bits 1 to 3.
constexpr std::uint16_t cFinderFlagLabelMask = 0x000E;

// All zero when the item has none.
FinderInfo ReadFinderInfo(std::string const& path);
// Which of the attributes kept beside the item it has, from one listing of their names; none when
// the item cannot be asked.
enum : unsigned
{
    cHasFinderInfo = 1,
    cHasLock = 2,
    cHasCustomIcon = 4,
    cHasCreationDate = 8
};
unsigned AttributesPresent(std::string const& path);
// The creation date kept beside the item; false when there is none that reads.
bool StoredCreationDate(std::string const& path, double& seconds);
// 0 or the errno of the failure; where the item cannot keep attributes nothing is written and 0 comes back.
int WriteFinderInfo(std::string const& path, FinderInfo const& info);
bool IsLocked(std::string const& path);
int SetLocked(std::string const& path, bool locked);
// The bytes of the custom icon; empty for none.
std::string ReadCustomIcon(std::string const& path);
int WriteCustomIcon(std::string const& path, std::string const& icon);
// A change of the item is refused (EPERM) when it is locked, unless the process is the superuser; so is
// a change of a locked folder's entries (an item made, removed or renamed in it).
bool ChangeRefused(std::string const& path);
// Copies every "user." attribute of source onto destination (file descriptors); failures are passed over.
void CopyAttributes(int source, int destination);
void CopyAttributes(std::string const& source, std::string const& destination);

// Seconds since 1970. Without stored, the item is known to keep no creation date beside it.
double CreationDateOf(std::string const& path, struct stat const& status, bool stored = true);
double ModificationDateOf(struct stat const& status);
int SetCreationDate(std::string const& path, double seconds);
int SetModificationDate(std::string const& path, double seconds);

// --- errors ---
enum class Operation
{
    cRead,
    cSave,
    cRemove,
    cMove,
    cCopy
};
// Foundation's error for a failed file operation on path (destination names the folder of a move or copy),
// from the errno that made it fail; autoreleased.
NSError* FileError(Operation operation, int error, std::string const& path,
                   std::string const& destination = std::string());
NSError* MakeError(NSInteger code, std::string const& description);
// Stores the error when the caller asked for it; false, for returning.
bool Fail(NSError** out, NSError* error);

// --- volumes ---
struct Volume
{
    std::string fMountPath;
    std::string fName;
    std::string fType;
    std::string fSource;
    bool fHidden = false;
    bool fLocal = true;
    bool fInternal = true;
    bool fRemovable = false;
    bool fReadOnly = false;
};
std::vector<Volume> MountedVolumes();
// The volume whose mount path holds the item's location; false when none does.
bool VolumeOf(std::string const& location, Volume& volume);

// --- special folders ---
std::string HomeDirectory();
std::string LocalDomainRoot();
std::string TemporaryDirectory();
} // namespace foundationstandin
