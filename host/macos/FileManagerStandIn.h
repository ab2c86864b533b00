// This project's stand-in for the Carbon File Manager calls through which path names reach file
// references: a reference holds the POSIX path of the object it stands for, found with stat and
// lstat on the real file system. Volumes come from VolumesStandIn.h; an alias is a symbolic link.
// The Finder information is the one the Foundation stand-in keeps beside the item (FoundationStandIn.h).
// Names given and returned in HFS form may hold "/", which stands for ":" in the name on disk.
#pragma once

#include "CFURLStandIn.h"
#include "CoreServicesStandIn.h"

#include <cstdint>
#include <string>

typedef std::uint16_t UInt16;
typedef std::uint32_t UInt32;
typedef std::int16_t FSVolumeRefNum;
typedef unsigned long UniCharCount;
typedef std::uint32_t TextEncoding;
typedef std::uint32_t FSCatalogInfoBitmap;
typedef std::uint32_t FSVolumeInfoBitmap;

constexpr OSErr nsvErr = -35;
constexpr OSErr ioErr = -36;
constexpr OSErr bdNamErr = -37;
constexpr OSErr fnfErr = -43;
constexpr OSErr paramErr = -50;
constexpr OSErr dirNFErr = -120;
constexpr OSErr afpAccessDenied = -5000;

constexpr TextEncoding kTextEncodingUnknown = 0xFFFF;
constexpr FSVolumeRefNum kFSInvalidVolumeRefNum = 0;
// The folder id that a volume's root folder names as its parent, and the root folder's own id.
constexpr UInt32 fsRtParID = 1;
constexpr UInt32 fsRtDirID = 2;

constexpr FSCatalogInfoBitmap kFSCatInfoNone = 0;
constexpr FSCatalogInfoBitmap kFSCatInfoNodeID = 1u << 0;
constexpr FSCatalogInfoBitmap kFSCatInfoParentDirID = 1u << 1;
constexpr FSCatalogInfoBitmap kFSCatInfoNodeFlags = 1u << 2;
constexpr FSCatalogInfoBitmap kFSCatInfoFinderInfo = 0x00000800;
constexpr FSVolumeInfoBitmap kFSVolInfoNone = 0;

// The object a reference stands for. A path made here is canonical: the folders on the way are
// real folders, only the last name may be a symbolic link.
struct FSRef
{
    std::string fPath;
};

struct HFSUniStr255
{
    UInt16 length;
    UniChar unicode[255];
};

constexpr UInt16 kFSNodeIsDirectoryMask = 0x0010;

// The Finder information of a file and of a folder: 16 bytes, the fields in the machine's byte order
// (the item keeps them big-endian).
struct Point
{
    std::int16_t v;
    std::int16_t h;
};
struct Rect
{
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};
struct FileInfo
{
    OSType fileType;
    OSType fileCreator;
    UInt16 finderFlags;
    Point location;
    UInt16 reservedField;
};
struct FolderInfo
{
    Rect windowBounds;
    UInt16 finderFlags;
    Point location;
    UInt16 reservedField;
};
constexpr UInt16 kIsInvisible = 0x4000;

struct FSCatalogInfo
{
    UInt16 nodeFlags;
    UInt32 parentDirID;
    UInt32 nodeID;
    // A FileInfo for a file, a FolderInfo for a folder.
    UInt8 finderInfo[16];
};

struct FSVolumeInfo
{
    UInt32 unused;
};

// The object at a POSIX path (UTF-8), symbolic links followed; fnfErr when there is none.
OSErr FSPathMakeRef(UInt8 const* path, FSRef* ref, Boolean* isDirectory);
// The object of that name in the folder, the name not followed when it is a symbolic link; an empty
// name stands for the folder itself. fnfErr when there is none (dirNFErr when parentRef is no
// folder), bdNamErr for a name that cannot stand on disk.
OSErr FSMakeFSRefUnicode(FSRef const* parentRef, UniCharCount nameLength, UniChar const* name,
                         TextEncoding textEncodingHint, FSRef* newRef);
// The object's name (a volume's root folder answers with the volume's name), its ids and its parent
// folder; a volume's root folder names fsRtParID as its parent and has no parent reference (the
// reference given stays as it was). Each out-argument may be null.
OSErr FSGetCatalogInfo(FSRef const* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, void* fsSpec, FSRef* parentRef);
// Of the bitmap only kFSCatInfoFinderInfo is written: the first 16 bytes of the item's Finder
// information, the other 16 kept. ioErr where the item cannot keep it.
OSErr FSSetCatalogInfo(FSRef const* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo const* catalogInfo);
// The volume of index volumeIndex (from 1) when volume is kFSInvalidVolumeRefNum: its reference number
// (its index), its name and its root folder; nsvErr past the last one.
OSErr FSGetVolumeInfo(FSVolumeRefNum volume, ItemCount volumeIndex, FSVolumeRefNum* actualVolume,
                      FSVolumeInfoBitmap whichInfo, FSVolumeInfo* info, HFSUniStr255* volumeName,
                      FSRef* rootDirectory);
// When the reference is a symbolic link, it becomes the link's target (with resolveAliasChains, the
// end of a chain of links); fnfErr when the target does not exist, the reference unchanged.
OSErr FSResolveAliasFile(FSRef* theRef, Boolean resolveAliasChains, Boolean* targetIsFolder,
                         Boolean* wasAliased);
