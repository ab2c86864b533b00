// Font folders read with fontconfig's FreeType query, file by file: the system's font list and its
// configuration never come into it, so the host sees exactly the files in its own folders.
#include "FontFolders.h"

#include "HostDocument.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <tuple>

namespace indesignhost
{
namespace
{
namespace fs = std::filesystem;

struct FontSetRelease
{
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};

int IntegerOf(FcPattern* pattern, char const* object, int fallback)
{
    int value = fallback;
    FcPatternGetInteger(pattern, object, 0, &value);
    return value;
}

std::vector<FontFace> QueryFile(std::string const& path)
{
    std::vector<FontFace> faces;
    std::unique_ptr<FcFontSet, FontSetRelease> const set(FcFontSetCreate());
    if (!set)
        return faces;
    int count = 0;
    // Every face of the file; a file that is no font gives none.
    FcFreeTypeQueryAll(reinterpret_cast<FcChar8 const*>(path.c_str()), static_cast<unsigned int>(-1), nullptr,
                       &count, set.get());
    for (int i = 0; i < set->nfont; ++i)
    {
        FcPattern* const pattern = set->fonts[i];
        FontFace face;
        face.file = path;
        face.index = IntegerOf(pattern, FC_INDEX, 0);
        FcChar8* text = nullptr;
        for (int n = 0; FcPatternGetString(pattern, FC_FAMILY, n, &text) == FcResultMatch; ++n)
            face.families.push_back(reinterpret_cast<char const*>(text));
        if (FcPatternGetString(pattern, FC_STYLE, 0, &text) == FcResultMatch)
            face.style = reinterpret_cast<char const*>(text);
        face.weight = IntegerOf(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
        face.slant = IntegerOf(pattern, FC_SLANT, FC_SLANT_ROMAN);
        face.width = IntegerOf(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
        if (!face.families.empty())
            faces.push_back(face);
    }
    return faces;
}

// The regular files below the folder, in path order; nothing when it cannot be read.
std::vector<std::string> FilesBelow(std::string const& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error))
    {
        std::error_code kind;
        if (it->is_regular_file(kind))
            files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}
} // namespace

FontFolders::FontFolders(std::vector<std::string> folders) : fFolders(std::move(folders))
{
    Rescan();
}

void FontFolders::AddFolder(std::string const& folder)
{
    fFolders.push_back(folder);
}

void FontFolders::Rescan()
{
    std::map<std::string, ScannedFile> scanned;
    fFaces.clear();
    for (std::string const& folder : fFolders)
        for (std::string const& path : FilesBelow(folder))
        {
            if (scanned.count(path))
                continue;
            std::error_code error;
            ScannedFile file;
            file.size = fs::file_size(path, error);
            if (error)
                continue;
            file.modified = fs::last_write_time(path, error).time_since_epoch().count();
            if (error)
                continue;
            auto const earlier = fScanned.find(path);
            if (earlier != fScanned.end() && earlier->second.modified == file.modified &&
                earlier->second.size == file.size)
                file.faces = earlier->second.faces;
            else
                file.faces = QueryFile(path);
            fFaces.insert(fFaces.end(), file.faces.begin(), file.faces.end());
            scanned.emplace(path, std::move(file));
        }
    fScanned = std::move(scanned);
}

FontFace const* FontFolders::Best(std::string const& family, std::string const& fileName) const
{
    FontFace const* best = nullptr;
    auto const rank = [&](FontFace const& face)
    {
        bool const namedFile = !fileName.empty() && fs::path(face.file).filename() == fileName;
        return std::make_tuple(!namedFile, face.slant != FC_SLANT_ROMAN,
                               std::abs(face.weight - FC_WEIGHT_REGULAR),
                               std::abs(face.width - FC_WIDTH_NORMAL));
    };
    for (FontFace const& face : fFaces)
    {
        if (std::find(face.families.begin(), face.families.end(), family) == face.families.end())
            continue;
        // Faces come in path order, so the first of equal rank stays.
        if (!best || rank(face) < rank(*best))
            best = &face;
    }
    return best;
}

FontFace const* FontFolders::FindFace(std::string const& family) const
{
    return Best(family, std::string());
}

FontFace const* FontFolders::FindFace(HostFont const& font) const
{
    return Best(font.name, font.file);
}

std::string FontFolders::FindFontFile(std::string const& family) const
{
    FontFace const* const face = FindFace(family);
    return face ? face->file : std::string();
}

std::vector<std::string> FontFolders::MissingFonts(HostDocument const& document) const
{
    std::vector<std::string> missing;
    for (HostFont const& font : document.fonts)
        if (!FindFace(font))
            missing.push_back(font.name);
    return missing;
}
} // namespace indesignhost
