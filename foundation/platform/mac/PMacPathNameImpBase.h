// The macOS side of path names: which volume a path lies on and where volumes are mounted, the
// classic colon form and the device-independent form of PDF file specifications, and the file
// reference (FSRef) that a path can make and keep for the platform's file calls.
//
// On macOS the start-up volume is mounted at "/" and every other volume under "/Volumes/"; the colon
// and device-independent forms begin with the volume's name instead, so converting between them asks
// the system which volumes are mounted where.
#pragma once

#include <cstdint>

#include "GString.h"
#include "GTable.h"

struct FSRef;

class PMacPathNameImpBase
{
public:
    PMacPathNameImpBase() : fCacheLevel(0), fOwned(false), fRef(nullptr) {}
    // A copy starts afresh: the reference belongs to the object that made it.
    PMacPathNameImpBase(PMacPathNameImpBase const&) : PMacPathNameImpBase() {}
    // Drops this object's reference and keeps its cache level.
    PMacPathNameImpBase& operator=(PMacPathNameImpBase const& other);
    virtual ~PMacPathNameImpBase();

    virtual GString const& GetPortablePath() const = 0;
    // Assigns the portable text as it is, without normalising it.
    virtual void SetPortablePath(GString const& path) const = 0;

    // --- volumes ---
    // Where the volume of that name is mounted: "/" for the start-up volume, "/Volumes/<name>" for
    // another; a volume that is not mounted is taken to be at "/Volumes/" and its name, with each "/"
    // of the name written ":". Empty for an empty name; 40038 when a mounted volume has no path.
    static GString GetMachOVolumeName(GString const& volumeName);
    // The name of the volume mounted at that path; for a path that does not exist, its last
    // component with each ":" written "/". Empty for an empty path; 40038 when the system names no
    // volume.
    static GString GetCFMVolumeName(GString const& mountPath);
    // 0 and the root folder of the mounted volume whose name is exactly volumeName (case counts),
    // else the status of the failing volume enumeration.
    static short GetVolumeRootFolderFSRef(GString const& volumeName, FSRef& root);
    // The process's current folder; a folder the system cannot tell throws PUNIXSystemException.
    static short GetCurrentFolderReference(FSRef& ref);
    // The name of the volume the path lies on; empty for a relative path.
    GString GetVolumeName() const;
    // How many leading characters name the volume's mount point ("/", "/Volumes/<name>").
    int GetCFMRootNameLength() const;
    // The portable texts are equal ignoring case.
    bool Equals(PMacPathNameImpBase const& other) const;

    // --- text forms ---
    // "/<volume name>/<path on the volume>", with each ":" written "\/"; relative paths unchanged,
    // the empty path "./" and ".." "../".
    static void ConvertPortableToDISpec(GString const& portable, GString& out);
    static void ConvertDISpecToPortable(GString const& di, GString& out);
    static void ConvertPortableToUNCSpec(GString const& portable, GString& out);

    // --- file references ---
    // Classic file-error codes, 0 for success. Aliases (symbolic links) are followed in the folders
    // on the way, never in the last component.
    static short MakeFSRefFromMachOPath(GString const& path, FSRef& out);
    // -43 for a null reference or when the system gives no path; out is then empty.
    static short MakeMachOPathFromFSRef(FSRef const* ref, GString& out);
    static short MakeCFMPathFromFSRef(FSRef const& ref, GString& out);
    static short BuildFSRefFromVolumeFSRef(FSRef const& start, GTable<GString> const& components, FSRef& out);

    // The path's reference, made anew unless the cache level is above 0; it stays valid until the
    // path changes, is assigned or destroyed, or the next request at cache level 0. A path without an
    // object throws the exception of its status (PMacFileSystemImp::CheckForErrors).
    FSRef const* GetFSRef() const;
    // The same, answering null and the status instead of throwing; no reference is kept on failure.
    FSRef const* TryGetFSRef(short& status) const;
    // A new reference of the path, the cache left alone.
    short MakeFSRef(FSRef& out) const;
    // At cache level 0 or below the path becomes the reference's path; above it the reference is
    // kept, and with updatePath the path changes too.
    void SetFSRef(FSRef const& ref, bool updatePath) const;
    // The path (not normalised) becomes the reference's path; empty when that fails.
    short MakePathFromFSRef(FSRef const* ref) const;
    void RemoveFSRef() const;

private:
    // 0 after construction; nothing here raises it.
    mutable std::int32_t fCacheLevel;
    mutable bool fOwned;
    mutable FSRef* fRef;
};
