// This project's stand-in for the machine's mounted volumes, shared by the file-manager and URL
// stand-ins. Volume 1 is the start-up volume, mounted at "/" under a name of its own ("Macintosh HD"
// until a test names it otherwise); every further volume is a folder of the volumes root, which is
// "/Volumes" as on the platform unless a test points it at a folder of its own, and is named after
// that folder.
#pragma once

#include <string>
#include <vector>

struct VolumeStandInEntry
{
    std::string fName;      // UTF-8, as the platform names it: a "/" stands for ":" in the folder's name
    std::string fMountPath; // POSIX, "/" for the start-up volume
};

// The start-up volume first, then the folders of the volumes root in name order (symbolic links,
// such as the one the platform keeps there for the start-up volume, are not volumes).
std::vector<VolumeStandInEntry> VolumesStandInList();
std::string VolumesStandInStartupVolumeName();
// Whether the canonical POSIX path is where a volume is mounted.
bool VolumesStandInIsMountPath(std::string const& path);

// One name as the other path style writes it: a "/" in an HFS name is a ":" in the POSIX name, and
// the other way round.
std::string VolumesStandInOtherStyleName(std::string name);

// Not platform calls: a start-up volume name (UTF-8) and a volumes root of the test's choosing; null
// gives the platform's again.
void VolumesStandInSetStartupVolumeName(char const* name);
void VolumesStandInSetVolumesRoot(char const* path);
