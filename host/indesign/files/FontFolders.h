// The host's font folders and the fonts their files hold, as fontconfig reads each file: which font
// file stands for a family name, and which of a document's fonts have none. What a folder holds is
// read by Rescan, so that a font file added or deleted between two exports is seen.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace indesignhost
{
struct HostDocument;
struct HostFont;

// One face of a font file.
struct FontFace
{
    std::string file;
    int index = 0;
    // The family names the file gives (a file may give several, "DejaVu Sans" and "DejaVu Sans
    // Condensed").
    std::vector<std::string> families;
    std::string style;
    // fontconfig's scales: weight 80 is regular, slant 0 upright, width 100 normal.
    int weight = 80;
    int slant = 0;
    int width = 100;
};

class FontFolders
{
public:
    FontFolders() = default;
    // Scans the folders at once.
    explicit FontFolders(std::vector<std::string> folders);

    // Adds a folder to those scanned; seen from the next Rescan on.
    void AddFolder(std::string const& folder);
    std::vector<std::string> const& Folders() const { return fFolders; }

    // Reads what the folders (and the folders in them) hold now. A folder that does not exist holds
    // nothing; a file that is no font is passed over.
    void Rescan();
    std::vector<FontFace> const& Faces() const { return fFaces; }

    // The face whose family names include the name exactly; among several, the upright face nearest
    // to regular weight and normal width, then the first in path order. Null when there is none.
    FontFace const* FindFace(std::string const& family) const;
    // The same, preferring a face in a file of the given name (a document's font remembers one).
    FontFace const* FindFace(HostFont const& font) const;
    // The path of the file of FindFace(family); empty when there is none.
    std::string FindFontFile(std::string const& family) const;
    // The names of the document's fonts that have no face, in the document's order.
    std::vector<std::string> MissingFonts(HostDocument const& document) const;

private:
    struct ScannedFile
    {
        long long modified = 0;
        unsigned long long size = 0;
        std::vector<FontFace> faces;
    };

    FontFace const* Best(std::string const& family, std::string const& fileName) const;

    std::vector<std::string> fFolders;
    std::vector<FontFace> fFaces;
    // What earlier scans read, by path: a file read again only when its time or size changed.
    std::map<std::string, ScannedFile> fScanned;
};
} // namespace indesignhost
