// The files the host's file engines are tested on, made in a test's own folder: texts, a small
// PNG, and font files copied from fonts-dejavu-core.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace hostfilestest
{
namespace fs = std::filesystem;

// A 4 x 2 red PNG.
constexpr unsigned char cTinyPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xf0,
    0xca, 0xea, 0x34, 0x00, 0x00, 0x00, 0x10, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8,
    0xcf, 0xc0, 0x00, 0x47, 0x0c, 0xc8, 0x1c, 0x00, 0x6f, 0xaa, 0x07, 0xf9, 0x80, 0xdc, 0x00,
    0x28, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

// Writes the text, making the folders on the way.
inline std::string WriteFile(fs::path const& path, std::string const& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path.string();
}

inline std::string WritePng(fs::path const& path)
{
    return WriteFile(path, std::string(reinterpret_cast<char const*>(cTinyPng), sizeof cTinyPng));
}

inline std::string ReadFile(fs::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Copies the named files of fonts-dejavu-core into the folder; gives the folder.
inline std::string CopyDejaVu(fs::path const& folder, std::vector<std::string> const& names)
{
    fs::create_directories(folder);
    for (std::string const& name : names)
        fs::copy_file(fs::path(SENDRIX_DEJAVU_FOLDER) / name, folder / name,
                      fs::copy_options::overwrite_existing);
    return folder.string();
}

// The files below a folder, relative to it with "/", sorted.
inline std::vector<std::string> FilesBelow(fs::path const& folder)
{
    std::vector<std::string> files;
    for (auto const& entry : fs::recursive_directory_iterator(folder))
        files.push_back(fs::relative(entry.path(), folder).generic_string() +
                        (entry.is_directory() ? "/" : ""));
    std::sort(files.begin(), files.end());
    return files;
}
} // namespace hostfilestest
