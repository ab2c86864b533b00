// Saving a document or a book: its file written anew through a temporary file renamed over it, so
// that a failed save leaves the file as it was.
#pragma once

#include <string>

namespace indesignhost
{
// False with the reason when the temporary file cannot be written or renamed.
bool RewriteFile(std::string const& path, std::string const& bytes, std::string& error);
} // namespace indesignhost
