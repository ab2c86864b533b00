// Files written anew through a temporary file.
#include "RewriteFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace indesignhost
{
bool RewriteFile(std::string const& path, std::string const& bytes, std::string& error)
{
    std::string const temporary = path + ".saving";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !out.flush())
        {
            error = temporary + ": cannot be written";
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
    {
        error = path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace indesignhost
