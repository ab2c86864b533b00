// Reads a whole file for the readers of the host's files, or says why it cannot.
#pragma once

#include <cstddef>
#include <string>

namespace indesignhost
{
// The files the host reads are small texts; anything larger is not one of them.
constexpr std::size_t cMaxHostFileSize = 16u * 1024 * 1024;

// The file's bytes, or false with the reason ("does not exist", "is a folder", ...). Only a regular
// file is read, so that a FIFO or a device given as a document never blocks the host.
bool TryReadFileBytes(std::string const& path, std::string& bytes, std::string& reason);
} // namespace indesignhost
